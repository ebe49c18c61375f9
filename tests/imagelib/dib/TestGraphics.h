#pragma once
// Picture classes for the tests: a "TIF" stand-in and a format whose stream holds several
// solid pictures ("QTP" + count, then width, height and colour per picture).

#include <cstring>
#include <memory>
#include <vector>

#include "imagelib/ImgDib.h"
#include "platform/rtl/Stream.h"

class TTestTifGraphic : public TDibGraphic {
public:
    std::string ClassName() const override { return "TTestTifGraphic"; }
    std::unique_ptr<TDibGraphic> CreateNew() const override { return std::make_unique<TTestTifGraphic>(); }
};

struct TSolidPicture {
    int32_t Width, Height;
    uint32_t Color;
};

class TSolidsGraphic : public TDibGraphic {
public:
    std::string ClassName() const override { return "TSolidsGraphic"; }
    std::unique_ptr<TDibGraphic> CreateNew() const override { return std::make_unique<TSolidsGraphic>(); }

    static void Write(TStream* S, const std::vector<TSolidPicture>& Pictures)
    {
        S->WriteBuffer("QTP", 3);
        const int32_t Count = static_cast<int32_t>(Pictures.size());
        S->WriteBuffer(&Count, 4);
        for (const TSolidPicture& P : Pictures)
            S->WriteBuffer(&P, sizeof(P));
    }
    int32_t GetStreamImageCount(TStream* S) override
    {
        const int64_t Pos = S->GetPosition();
        char Magic[3];
        int32_t Count = 0;
        S->ReadBuffer(Magic, 3);
        S->ReadBuffer(&Count, 4);
        S->SetPosition(Pos);
        return Count;
    }
    void LoadImageFromStream(TStream* S, int32_t Index) override
    {
        char Magic[3];
        int32_t Count = 0;
        S->ReadBuffer(Magic, 3);
        S->ReadBuffer(&Count, 4);
        if (std::memcmp(Magic, "QTP", 3) != 0 || Index < 1 || Index > Count)
            throw EDidodazaError("bad test stream");
        S->Seek(static_cast<int64_t>(Index - 1) * sizeof(TSolidPicture), soCurrent);
        TSolidPicture P;
        S->ReadBuffer(&P, sizeof(P));
        NewImage(P.Width, P.Height, ifTrueColor, nullptr, 72, 72);
        Fill(P.Color);
        ++Loads;
    }
    int Loads = 0;
};
