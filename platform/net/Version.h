#pragma once
// The product's one version constant; the HTTP user agent and the about text are built from it.

#define QM_VERSION "1.0"
