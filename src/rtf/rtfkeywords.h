#pragma once

#include <QtGlobal>

#include <string_view>
#include <unordered_map>

// The control words the reader acts on, and what each one is to it.
namespace RtfParsing {

enum class Kw
{
    Par,
    Line,
    Tab,
    Cell,
    Plain,
    Bold,
    Italic,
    Underline,
    UnderlineNone,
    Strike,
    Hidden,
    Font,
    FontSize,
    Foreground,
    Background,
    Super,
    Sub,
    NoSuperSub,
    Unicode,
    UnicodeSkip,
    Bin,
    Char, // a word that stands for one character
    DefaultFont,
    AnsiCodePage,
    Mac,
    Pc,
    Pca,
    FontCharset,
    FontCodePage,
    Red,
    Green,
    Blue,
    FontTable,
    ColorTable,
    SkipGroup,
    Ignored, // known, so a \* before it does not skip its group
};

struct KwInfo
{
    Kw kw;
    char16_t ch = 0;
};

using Keywords = std::unordered_map<std::string_view, KwInfo>;

const Keywords &keywords();

} // namespace RtfParsing
