#include "rtf/rtfkeywords.h"

namespace RtfParsing {

namespace {

// Calls f for each blank-separated word of a string literal.
template<typename F> void forEachWord(std::string_view words, F f)
{
    while (!words.empty()) {
        const size_t blank = words.find(' ');
        f(words.substr(0, blank));
        words = blank == std::string_view::npos ? std::string_view() : words.substr(blank + 1);
    }
}

void addTextWords(Keywords &t)
{
    for (auto w : {"par", "page", "sect", "row", "nestrow"})
        t[w] = {Kw::Par};
    t["line"] = {Kw::Line};
    t["tab"] = {Kw::Tab};
    t["cell"] = {Kw::Cell};
    t["nestcell"] = {Kw::Cell};
    t["u"] = {Kw::Unicode};
    t["uc"] = {Kw::UnicodeSkip};
    t["bin"] = {Kw::Bin};
    t["emdash"] = {Kw::Char, 0x2014};
    t["endash"] = {Kw::Char, 0x2013};
    t["lquote"] = {Kw::Char, 0x2018};
    t["rquote"] = {Kw::Char, 0x2019};
    t["ldblquote"] = {Kw::Char, 0x201C};
    t["rdblquote"] = {Kw::Char, 0x201D};
    t["bullet"] = {Kw::Char, 0x2022};
    t["emspace"] = {Kw::Char, 0x2003};
    t["enspace"] = {Kw::Char, 0x2002};
    t["qmspace"] = {Kw::Char, 0x2005};
    t["zwj"] = {Kw::Char, 0x200D};
    t["zwnj"] = {Kw::Char, 0x200C};
    t["ltrmark"] = {Kw::Char, 0x200E};
    t["rtlmark"] = {Kw::Char, 0x200F};
}

void addFormatWords(Keywords &t)
{
    t["plain"] = {Kw::Plain};
    t["b"] = {Kw::Bold};
    t["i"] = {Kw::Italic};
    forEachWord("ul uld uldash uldashd uldashdd uldb ulhwave ulldash ulth ulthd ulthdash "
                "ulthdashd ulthdashdd ulthldash ululdbwave ulw ulwave",
                [&t](std::string_view w) { t[w] = {Kw::Underline}; });
    t["ulnone"] = {Kw::UnderlineNone};
    t["strike"] = {Kw::Strike};
    t["striked"] = {Kw::Strike};
    t["v"] = {Kw::Hidden};
    t["f"] = {Kw::Font};
    t["fs"] = {Kw::FontSize};
    t["cf"] = {Kw::Foreground};
    t["highlight"] = {Kw::Background};
    t["cb"] = {Kw::Background};
    t["chcbpat"] = {Kw::Background};
    t["super"] = {Kw::Super};
    t["sub"] = {Kw::Sub};
    t["nosupersub"] = {Kw::NoSuperSub};
    // Formatting words writers put after \* (Word's "\*\cs13" in a hyperlink's result):
    // known words, so the text of their group stays.
    forEachWord("cs s ds ts lang langfe langnp langfenp noproof loch hich dbch rtlch ltrch "
                "rtlpar ltrpar af afs ab ai alang insrsid charrsid delrsid pararsid sectrsid "
                "rsid ql qr qc qj qd li ri fi lin rin sa sb sl slmult sbauto saauto widctlpar "
                "nowidctlpar intbl itap aspalpha aspnum faauto adjustright outlinelevel keep "
                "keepn pagebb kerning expnd expndtw charscalex caps scaps outl shad embo impr "
                "pard sectd trowd deflang deflangfe viewkind nouicompat",
                [&t](std::string_view w) { t.try_emplace(w, KwInfo{Kw::Ignored}); });
    // A nested row's properties; Word leaves the group open over the nested cells' text, so it
    // is read through as readers of nested tables do. \nonesttables is skipped with the rest.
    t["nesttableprops"] = {Kw::Ignored};
}

void addDocumentWords(Keywords &t)
{
    t["deff"] = {Kw::DefaultFont};
    t["ansicpg"] = {Kw::AnsiCodePage};
    t["mac"] = {Kw::Mac};
    t["pc"] = {Kw::Pc};
    t["pca"] = {Kw::Pca};
    t["fonttbl"] = {Kw::FontTable};
    t["fcharset"] = {Kw::FontCharset};
    t["cpg"] = {Kw::FontCodePage};
    t["colortbl"] = {Kw::ColorTable};
    t["red"] = {Kw::Red};
    t["green"] = {Kw::Green};
    t["blue"] = {Kw::Blue};
    // Destinations whose content is not text of the document. \pntext stays: it is the
    // bullet or number a list item shows; \pn, the list's definition, goes, so that
    // bullets are not doubled. \nonesttables repeats nested cells, read already, for readers
    // that do not know nested tables.
    forEachWord(
        "info stylesheet pict object objdata header headerl headerr headerf footer footerl "
        "footerr footerf fldinst pn listtable listoverridetable revtbl rsidtbl filetbl "
        "footnote annotation atnid atnauthor xe tc template userprops shp shppict nonshppict "
        "do themedata colorschememapping latentstyles datastore xmlnstbl generator pgdsctbl "
        "buptim comment doccomm author operator title subject keywords company category "
        "manager hlinkbase creatim revtim printim mmathPr private nonesttables",
        [&t](std::string_view w) { t[w] = {Kw::SkipGroup}; });
}

} // namespace

const Keywords &keywords()
{
    static const Keywords table = [] {
        Keywords t;
        addTextWords(t);
        addFormatWords(t);
        addDocumentWords(t);
        return t;
    }();
    return table;
}

} // namespace RtfParsing
