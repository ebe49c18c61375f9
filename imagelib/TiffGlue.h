#pragma once
// The binding onto libtiff: a TIFF handle over a TStream, the twenty user text tags as custom
// fields, and libtiff's error and warning handlers. libtiff is C: nothing here lets a C++
// exception cross one of its frames; callers check return codes and throw back in C++.

#include <cstdint>
#include <string>

#include <tiffio.h>

class TStream;

// Tag numbers of the 20 user text tags ("UserTag1".."UserTag20"), in one place.
constexpr int32_t kUserTagCount = 20;
constexpr uint16_t kFirstUserTag = 40000;
// Takes the table once, before TiffLibInit installs the extender.
void TIFFSetUserTagNumbers(const uint16_t* Numbers, int32_t Count);
uint32_t UserTagNumber(int32_t Slot);

// Codec set-up: the error and warning handlers, the tag extender and the annotation-text hook.
// Counted like ImageLibInit; only the last TiffLibDone puts the previous extender back.
void TiffLibInit();
void TiffLibDone();
// The TIFF class for "TIF" and "TIFF" ("TIFF file"), first of the format classes.
void RegisterTiffGraphic();

// Mode "r", "w" or "a"; nullptr on failure. The stream stays open and owned by the caller.
TIFF* TiffStreamOpen(TStream* Stream, const char* Mode);

// The last message libtiff reported on this thread ("" when none); for diagnostics only.
std::string TiffLastMessage();
void TiffClearLastMessage();

// Closes on scope exit.
class TTiffHandle {
public:
    explicit TTiffHandle(TIFF* Tiff) : FTiff(Tiff) {}
    TTiffHandle(const TTiffHandle&) = delete;
    TTiffHandle& operator=(const TTiffHandle&) = delete;
    ~TTiffHandle()
    {
        if (FTiff)
            TIFFClose(FTiff);
    }
    TIFF* Get() const { return FTiff; }
    explicit operator bool() const { return FTiff != nullptr; }

private:
    TIFF* FTiff = nullptr;
};
