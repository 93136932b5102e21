#pragma once

#include <QString>
#include <QVector>

#include <optional>

enum class Membership
{
    NonMembers,
    Members
};

// One world button: everything HopWise knows about a world.
struct WorldEntry
{
    qint16 index; // the button's index in cmdWorld; the world number, or PcIndex
    int tab;      // page of ssWorlds: 0 "Free", 1 "Free Con", 2 "Members"
    int column;   // 1 or 2
    int row;      // from 1; the PC button sits where row 36 would be
    Membership membership;
    const char *hostLabel; // first label of the game host; empty for the PC entry

    bool isPc() const;
    QString buttonCaption() const; // "World 7", "PC"
    QString titleText() const;     // "World 7 - Non-Members", "Pest Control - Members"
    // Position of the button on its page, in twips from the page's top left corner.
    int leftTwips() const;
    int topTwips() const;
};

// The fixed table of worlds behind the world buttons. Built into the program, never loaded.
namespace WorldCatalogue {

constexpr qint16 PcIndex = 3000;
constexpr int ButtonWidthTwips = 975;
constexpr int ButtonHeightTwips = 255;

const QVector<WorldEntry> &entries();
std::optional<WorldEntry> lookup(int index);
// The page's entries in grid order (row by row, column 1 before column 2).
QVector<WorldEntry> page(int tab);
QString pageCaption(int tab);
constexpr int pageCount = 3;

// A host label of the catalogue's form: two to six lower-case letters a-z directly followed by a
// decimal number from 1 to 12 without leading zeros.
bool isHostLabel(const QString &text);

} // namespace WorldCatalogue
