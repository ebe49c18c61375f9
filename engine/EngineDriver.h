#pragma once
// The engine driver: the minimal caller of the task model. It makes and shows project files and
// crawls tasks on its user-interface thread with recording views, then dumps what happened as
// JSON. Commands (every path in Windows form):
//   make  --project F --name N --url U [--note T] [--folder D] [--depth N] [--mask "ext, Folder"]...
//         [--exclude-file X]... [--exclude-site H]... [--limit on|off] [--min KB] [--max KB]
//         [--web-structure on|off] [--proxy HOST:PORT] [--login USER:PASS] [--timeout S]
//         [--state N] [--saved N] [--line "done,depth,address"]...
//   show  --project F
//   crawl --project F [--project F2 ...] [--select N|none] [--max-running N] [--time-limit S]
//         [--stop-after MS] [--restart] [--stand-in]
// Each takes [--json FILE] (default: standard output). Exit code 0, or 2 for a usage error and
// 1 for any other failure (its message on standard error).

int EngineDriverMain(int argc, char** argv);
