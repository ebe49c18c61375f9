#pragma once
// The images library's real picture measurer and the crawl's link to the add-picture threads.
//
// GIF files (".gif" in any letter case) are read by TGif; every other file by a scroll box with
// no owner that is never parented or shown, loading image 1. Both run on the add-picture
// threads: nothing here makes a window, shows a box or touches the application's components.

#include <string>

#include "engine/ImagesLibrary.h"

// Width and height of a picture file; raises when it cannot be read.
TImageSize MeasurePictureFile(const std::string& FileName);

// Makes MeasurePictureFile the measurer of libraries made from now on. The image library must be
// started (ImageLibInit) while it measures.
void InstallPictureMeasurer();

// Lets every picture a crawl saves start an add-picture thread into the program's library
// (StartAddImageThread; nothing while there is no library). False removes the link.
void LinkCrawlToImagesLibrary(bool Linked = true);

// The program's images library and add-picture threads for one run without the main window (the
// engine driver's "crawl --imglib FILE", tests): starts the image library, installs the measurer,
// makes the two globals, loads File when it exists and links the crawl. The destructor unlinks,
// waits for the threads still running and frees everything.
class TImagesLibrarySession {
public:
    explicit TImagesLibrarySession(std::string File);
    TImagesLibrarySession(const TImagesLibrarySession&) = delete;
    TImagesLibrarySession& operator=(const TImagesLibrarySession&) = delete;
    ~TImagesLibrarySession();

    // Waits for every add-picture thread, saves the file and returns its records as one JSON
    // line: {"imglib":[{"name":...,"size":N,"width":W,"height":H},...]}.
    std::string Finish();

private:
    void FreeGlobals();
    std::string FFile;
};
