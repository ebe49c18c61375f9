// GIF files made by our own writer: one and several images, every table size, interlaced,
// local tables, transparency, comments, application and plain-text blocks, the simple form.

#include <cstring>

#include "imagelib/GifCodec.h"
#include "platform/rtl/SysUtils.h"
#include "tests/fuzz/Seeds.h"

namespace qmfuzz {
namespace {

TGifColorTable MakeTable(int32_t Colors, int32_t Shift)
{
    TGifColorTable T;
    T.Count = Colors;
    for (int32_t I = 0; I < Colors; ++I)
        T.Colors[I] = uint32_t((I * 37 + Shift) & 255) | uint32_t((I * 11) & 255) << 8 | uint32_t(255 - I) << 16;
    return T;
}

struct TGifSpec {
    int32_t W, H, Images, Colors;
    bool Interlaced = false, Local = false, Transparent = false, Extras = false, Simple = false;
};

std::vector<uint8_t> MakeGif(const TGifSpec& P)
{
    TGifDocument Doc;
    Doc.Screen.Width = P.W;
    Doc.Screen.Height = P.H;
    Doc.Screen.GlobalTable = true;
    Doc.Screen.GlobalTableIndex = 0;
    Doc.Screen.GlobalTableSize = P.Colors;
    Doc.Screen.ColorResolution = 8;
    Doc.Tables.push_back(MakeTable(P.Colors, 0));
    uint8_t Min = 2;
    while ((1 << Min) < P.Colors)
        ++Min;
    for (int32_t K = 0; K < P.Images; ++K) {
        TGifImage I;
        I.Index = K;
        // Later frames smaller and offset, as animations have them.
        I.Left = K;
        I.Top = K;
        I.Width = std::max(1, P.W - K);
        I.Height = std::max(1, P.H - K);
        I.TableIndex = 0;
        I.TableSize = P.Colors;
        if (P.Local && K % 2 == 1) {
            I.LocalTable = true;
            I.TableIndex = int32_t(Doc.Tables.size());
            Doc.Tables.push_back(MakeTable(P.Colors, 100 + K));
        }
        I.LZWSize = P.Simple ? 0 : Min;
        I.Interlaced = P.Interlaced;
        GifAllocatePixels(I.Pixels, I.Width, I.Height);
        for (int32_t Y = 0; Y < I.Height; ++Y)
            for (int32_t X = 0; X < I.Width; ++X)
                I.Pixels[size_t(Y) * size_t(I.Width) + size_t(X)] =
                    uint8_t((X < I.Width / 2 ? Y : X * 7 + Y * 3 + K) % P.Colors);
        if (P.Transparent || P.Images > 1) {
            TGifExtension& G = I.EnsureGraphicControl();
            G.TransparentFlag = P.Transparent;
            G.TransparentIndex = uint8_t(P.Colors - 1);
            G.Delay = uint16_t(10 * (K + 1));
            G.Disposal = uint8_t(K % 4);
        }
        if (P.Extras && K == 0) {
            TGifExtension C;
            C.Label = gifComment;
            C.SubBlocks = {std::vector<uint8_t>{'m', 'a', 'd', 'e'}, std::vector<uint8_t>(255, 'x')};
            I.Extensions.push_back(C);
            TGifExtension A;
            A.Label = gifApplication;
            A.BlockSize = 11;
            std::memcpy(A.Identifier, "NETSCAPE", 8);
            std::memcpy(A.AuthCode, "2.0", 3);
            A.SubBlocks = {std::vector<uint8_t>{1, 0, 0}};
            I.Extensions.push_back(A);
            TGifExtension T;
            T.Label = gifPlainText;
            T.BlockSize = 12;
            T.GridWidth = uint16_t(P.W);
            T.GridHeight = 8;
            T.CellWidth = 8;
            T.CellHeight = 8;
            T.ForegroundIndex = 1;
            T.SubBlocks = {std::vector<uint8_t>{'h', 'i'}};
            I.Extensions.push_back(T);
        }
        Doc.Images.push_back(std::move(I));
    }
    TMemoryStream S;
    GifWrite(Doc, &S);
    const auto* B = static_cast<const uint8_t*>(S.Memory());
    return std::vector<uint8_t>(B, B + S.GetSize());
}

} // namespace

void AddGifSeeds(std::vector<TSeed>& Out)
{
    Out.push_back({"one_1x1_2c.gif", MakeGif({1, 1, 1, 2})});
    Out.push_back({"small_5x3_4c.gif", MakeGif({5, 3, 1, 4})});
    Out.push_back({"simple_7x5_16c.gif", MakeGif({7, 5, 1, 16, false, false, false, false, true})});
    for (const int32_t Colors : {2, 4, 8, 16, 32, 64, 128, 256}) {
        Out.push_back({Format("plain_%dc.gif", Colors), MakeGif({33, 17, 1, Colors})});
        Out.push_back({Format("interlaced_%dc.gif", Colors), MakeGif({19, 21, 1, Colors, true})});
    }
    Out.push_back({"anim_local.gif", MakeGif({16, 12, 4, 16, false, true, true, true})});
    Out.push_back({"anim_interlaced.gif", MakeGif({9, 10, 3, 4, true, true, false, false})});
    Out.push_back({"transparent.gif", MakeGif({8, 8, 1, 8, false, false, true})});
    Out.push_back({"extras.gif", MakeGif({12, 9, 1, 256, false, false, false, true})});
    Out.push_back({"simple_anim.gif", MakeGif({6, 6, 2, 256, true, true, true, false, true})});
    // Big enough for the code table to fill and start over.
    Out.push_back({"big_256c.gif", MakeGif({200, 150, 1, 256})});
}

} // namespace qmfuzz
