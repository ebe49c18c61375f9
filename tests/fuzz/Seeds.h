#pragma once
// Seed inputs of every fuzz target, made with our own writers (and a few hand-built files for
// what our writers do not produce), so the fuzzers start from well-formed files of every
// format, depth and option. Nothing here is downloaded or committed.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qmfuzz {

struct TSeed {
    std::string Name; // a file name, unique within its target
    std::vector<uint8_t> Bytes;
};

// The seeds of one target (empty for a name nobody knows).
std::vector<TSeed> MakeSeeds(std::string_view Target);
// The targets that have seeds.
std::vector<std::string> SeededTargets();

// Seeds of the engine's record files and of the GIF reader, each in its own file: the project
// file's and the import's headers both name a kProjectTextSize.
void AddProjectSeeds(std::vector<TSeed>& Out);
void AddImportSeeds(std::vector<TSeed>& Out);
void AddGifSeeds(std::vector<TSeed>& Out);
void AddImageLibSeeds(std::vector<TSeed>& Out);
void AddJpegSeeds(std::vector<TSeed>& Out);
void AddPngSeeds(std::vector<TSeed>& Out);
void AddAnnotationSeeds(std::vector<TSeed>& Out);
// The targets of the picture classes: "tiff", "pnm", "dcx" and "eps".
void AddPictureClassSeeds(std::string_view Target, std::vector<TSeed>& Out);

} // namespace qmfuzz
