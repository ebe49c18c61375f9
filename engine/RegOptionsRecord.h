#pragma once
// A task's options as the project file's options record (TRegOptions.ReadRecord, WriteRecord,
// LoadFromStream and SaveToStream), kept apart from the registry code.

#include <cstdint>
#include <vector>

#include "engine/ProjectFile.h"

class TRegOptions;
class TStream;

TOptionsData OptionsToData(const TRegOptions& Options);
// Every field of the record; DefaultTaskAdded and ProjectPath are left as they are.
void DataToOptions(const TOptionsData& Data, TRegOptions& Options);

// The 793,672 bytes of the record, built in a zero-filled buffer.
void RegOptionsWriteRecord(const TRegOptions& Options, std::vector<uint8_t>& Bytes);
// From the first Valid bytes of Bytes; the rest count as zero.
void RegOptionsReadRecord(TRegOptions& Options, const uint8_t* Bytes, size_t Valid);

void RegOptionsSaveToStream(const TRegOptions& Options, TStream* Stream);
// Reads up to 793,672 bytes; a short stream is not an error (the missing bytes count as zero).
void RegOptionsLoadFromStream(TRegOptions& Options, TStream* Stream);

// Reads up to Count bytes, as many as the stream gives; never raises for a short stream.
size_t ReadUpTo(TStream* Stream, uint8_t* Buffer, size_t Count);
