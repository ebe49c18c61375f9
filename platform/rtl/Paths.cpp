#include "platform/rtl/Paths.h"

namespace {

constexpr std::string_view kNameDelimiters = "\\/:";

bool IsSeparator(char C)
{
    return C == '\\' || C == '/';
}

// Index just after the last separator or drive colon; 0 when none.
size_t NameStart(std::string_view S)
{
    const size_t P = S.find_last_of(kNameDelimiters);
    return P == std::string_view::npos ? 0 : P + 1;
}

// Index of the extension's dot, or npos when the name has none.
size_t ExtDot(std::string_view S)
{
    const size_t Dot = S.rfind('.');
    if (Dot == std::string_view::npos || Dot < NameStart(S))
        return std::string_view::npos;
    return Dot;
}

} // namespace

std::string ExtractFileName(std::string_view FileName)
{
    return std::string(FileName.substr(NameStart(FileName)));
}

std::string ExtractFilePath(std::string_view FileName)
{
    return std::string(FileName.substr(0, NameStart(FileName)));
}

std::string ExtractFileDir(std::string_view FileName)
{
    size_t End = NameStart(FileName);
    // Drop the separator unless it is the root of a drive or of the whole path.
    if (End > 0 && IsSeparator(FileName[End - 1]) && End > 1 && FileName[End - 2] != ':' &&
        !IsSeparator(FileName[End - 2]))
        --End;
    return std::string(FileName.substr(0, End));
}

std::string ExtractFileDrive(std::string_view FileName)
{
    if (FileName.size() >= 2 && FileName[1] == ':')
        return std::string(FileName.substr(0, 2));
    if (FileName.size() >= 2 && IsSeparator(FileName[0]) && IsSeparator(FileName[1])) {
        // \\server\share: up to the separator after the share.
        size_t P = FileName.find_first_of("\\/", 2);
        if (P == std::string_view::npos)
            return std::string(FileName);
        P = FileName.find_first_of("\\/", P + 1);
        return std::string(FileName.substr(0, P));
    }
    return std::string();
}

std::string ExtractFileExt(std::string_view FileName)
{
    const size_t Dot = ExtDot(FileName);
    return Dot == std::string_view::npos ? std::string() : std::string(FileName.substr(Dot));
}

std::string ChangeFileExt(std::string_view FileName, std::string_view Extension)
{
    const size_t Dot = ExtDot(FileName);
    std::string R(FileName.substr(0, Dot == std::string_view::npos ? FileName.size() : Dot));
    R += Extension;
    return R;
}

std::string IncludeTrailingBackslash(std::string_view Path)
{
    std::string R(Path);
    if (R.empty() || !IsSeparator(R.back()))
        R += '\\';
    return R;
}

std::string ExcludeTrailingBackslash(std::string_view Path)
{
    std::string R(Path);
    if (!R.empty() && IsSeparator(R.back()))
        R.pop_back();
    return R;
}

bool IsPathDelimiter(std::string_view S, int32_t Index)
{
    return Index >= 1 && static_cast<size_t>(Index) <= S.size() && IsSeparator(S[static_cast<size_t>(Index) - 1]);
}

std::string JoinPath(std::string_view Folder, std::string_view Name)
{
    size_t Skip = 0;
    while (Skip < Name.size() && IsSeparator(Name[Skip]))
        ++Skip;
    std::string Base(Folder);
    while (Base.size() > 1 && Base.back() == '\\' && Base[Base.size() - 2] == '\\')
        Base.pop_back();
    if (!Base.empty() && Base.back() != '\\')
        Base += '\\';
    return Base.append(Name.substr(Skip));
}
