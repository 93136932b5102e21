#include "worlds/worldcatalogue.h"

#include <QRegularExpression>

#include <algorithm>

namespace {

constexpr Membership NonMembers = Membership::NonMembers;
constexpr Membership Members = Membership::Members;

// index, page, column, row, membership, host label
const WorldEntry kWorlds[] = {
    {1, 0, 1, 1, NonMembers, "uk1"},    {2, 2, 1, 1, Members, "uk2"},
    {3, 0, 2, 1, NonMembers, "uk3"},    {4, 0, 1, 2, NonMembers, "uk4"},
    {5, 0, 2, 2, NonMembers, "uk5"},    {6, 2, 2, 1, Members, "uk6"},
    {7, 0, 1, 3, NonMembers, "uk7"},    {8, 0, 2, 3, NonMembers, "uk8"},
    {9, 2, 1, 2, Members, "uk9"},       {10, 0, 1, 4, NonMembers, "uk10"},
    {11, 0, 2, 4, NonMembers, "uk11"},  {12, 2, 2, 2, Members, "uk12"},
    {13, 0, 1, 5, NonMembers, "us1"},   {14, 0, 2, 5, NonMembers, "us2"},
    {15, 0, 1, 6, NonMembers, "us3"},   {16, 0, 2, 6, NonMembers, "us4"},
    {17, 0, 1, 7, NonMembers, "us5"},   {18, 2, 1, 3, Members, "us6"},
    {19, 0, 2, 7, NonMembers, "us7"},   {20, 0, 1, 8, NonMembers, "us8"},
    {21, 0, 2, 8, NonMembers, "us9"},   {22, 2, 2, 3, Members, "us10"},
    {23, 2, 1, 4, Members, "us11"},     {24, 2, 2, 4, Members, "us12"},
    {25, 0, 1, 9, NonMembers, "ca1"},   {26, 2, 1, 5, Members, "ca2"},
    {27, 2, 2, 5, Members, "ca3"},      {28, 2, 1, 6, Members, "ca4"},
    {29, 0, 2, 9, NonMembers, "ca5"},   {30, 0, 1, 10, NonMembers, "ca6"},
    {31, 2, 2, 6, Members, "ca7"},      {32, 0, 2, 10, NonMembers, "ca8"},
    {33, 0, 1, 11, NonMembers, "ca9"},  {34, 0, 2, 11, NonMembers, "ca10"},
    {35, 0, 1, 12, NonMembers, "ca11"}, {36, 2, 1, 7, Members, "ca12"},
    {37, 0, 2, 12, NonMembers, "au1"},  {38, 0, 1, 13, NonMembers, "au2"},
    {39, 0, 2, 13, NonMembers, "au3"},  {40, 0, 1, 14, NonMembers, "au4"},
    {41, 2, 2, 7, Members, "au5"},      {42, 2, 1, 8, Members, "au6"},
    {43, 0, 2, 14, NonMembers, "au7"},  {44, 2, 2, 8, Members, "au8"},
    {45, 0, 1, 15, NonMembers, "au9"},  {46, 2, 1, 9, Members, "au10"},
    {47, 0, 2, 15, NonMembers, "au11"}, {48, 2, 2, 9, Members, "au12"},
    {49, 0, 1, 16, NonMembers, "nl1"},  {50, 0, 2, 16, NonMembers, "nl2"},
    {51, 0, 1, 17, NonMembers, "nl3"},  {52, 0, 2, 17, NonMembers, "nl4"},
    {53, 2, 1, 10, Members, "nl5"},     {54, 2, 2, 10, Members, "nl6"},
    {55, 0, 1, 18, NonMembers, "nl7"},  {56, 2, 1, 11, Members, "nl8"},
    {57, 0, 2, 18, NonMembers, "nl9"},  {58, 2, 2, 11, Members, "nl10"},
    {59, 2, 1, 12, Members, "nl11"},    {60, 2, 2, 12, Members, "nl12"},
    {61, 0, 1, 19, NonMembers, "se1"},  {62, 0, 2, 19, NonMembers, "se2"},
    {63, 0, 1, 20, NonMembers, "se3"},  {64, 2, 1, 13, Members, "se4"},
    {65, 2, 2, 13, Members, "se5"},     {66, 2, 1, 14, Members, "se6"},
    {67, 0, 2, 20, NonMembers, "se7"},  {68, 0, 1, 21, NonMembers, "se8"},
    {69, 2, 2, 14, Members, "se9"},     {70, 2, 1, 15, Members, "se10"},
    {71, 2, 2, 15, Members, "se11"},    {72, 0, 2, 21, NonMembers, "se12"},
    {73, 0, 1, 22, NonMembers, "fi1"},  {74, 0, 2, 22, NonMembers, "fi2"},
    {75, 0, 1, 23, NonMembers, "fi3"},  {76, 2, 1, 16, Members, "fi4"},
    {77, 2, 2, 16, Members, "fi5"},     {78, 2, 1, 17, Members, "fi6"},
    {79, 2, 2, 17, Members, "fi7"},     {80, 0, 2, 23, NonMembers, "fi8"},
    {81, 0, 1, 24, NonMembers, "fi9"},  {82, 2, 1, 18, Members, "fi10"},
    {83, 2, 2, 18, Members, "fi11"},    {84, 2, 1, 19, Members, "fi12"},
    {85, 0, 2, 24, NonMembers, "no1"},  {86, 0, 1, 25, NonMembers, "no2"},
    {87, 0, 2, 25, NonMembers, "no3"},  {88, 2, 2, 19, Members, "no4"},
    {89, 2, 1, 20, Members, "no5"},     {90, 0, 1, 26, NonMembers, "no6"},
    {91, 2, 2, 20, Members, "no7"},     {92, 2, 1, 21, Members, "no8"},
    {93, 0, 2, 26, NonMembers, "no9"},  {94, 0, 1, 27, NonMembers, "no10"},
    {95, 0, 2, 27, NonMembers, "no11"}, {96, 0, 1, 28, NonMembers, "no12"},
    {97, 2, 2, 21, Members, "be1"},     {98, 2, 1, 22, Members, "be2"},
    {99, 2, 2, 22, Members, "be3"},     {100, 2, 1, 23, Members, "be4"},
    {101, 0, 2, 28, NonMembers, "be5"}, {102, 0, 1, 29, NonMembers, "be6"},
    {103, 2, 2, 23, Members, "be7"},    {104, 2, 1, 24, Members, "be8"},
    {105, 1, 1, 1, NonMembers, "be9"},  {106, 0, 2, 29, NonMembers, "be10"},
    {107, 1, 2, 1, NonMembers, "be11"}, {108, 1, 1, 2, NonMembers, "be12"},
    {109, 1, 2, 2, NonMembers, "dk1"},  {110, 2, 2, 24, Members, "dk2"},
    {111, 2, 1, 25, Members, "dk3"},    {112, 2, 2, 25, Members, "dk4"},
    {113, 1, 1, 3, NonMembers, "dk5"},  {114, 2, 1, 26, Members, "dk6"},
    {115, 2, 2, 26, Members, "dk7"},    {116, 2, 1, 27, Members, "dk8"},
    {117, 1, 2, 3, NonMembers, "dk9"},  {118, 1, 1, 4, NonMembers, "dk10"},
    {119, 1, 2, 4, NonMembers, "dk11"}, {120, 2, 2, 27, Members, "dk12"},
    {121, 2, 1, 28, Members, "ie1"},    {122, 1, 1, 5, NonMembers, "ie2"},
    {123, 2, 2, 28, Members, "ie3"},    {124, 2, 1, 29, Members, "ie4"},
    {125, 1, 2, 5, NonMembers, "ie5"},  {127, 1, 1, 6, NonMembers, "ie6"},
    {128, 1, 2, 6, NonMembers, "ie7"},  {129, 2, 2, 29, Members, "ie8"},
    {130, 2, 1, 30, Members, "ie9"},    {131, 2, 2, 30, Members, "ie10"},
    {132, 2, 2, 31, Members, "ie11"},   {WorldCatalogue::PcIndex, 2, 1, 36, Members, ""},
};

} // namespace

bool WorldEntry::isPc() const
{
    return index == WorldCatalogue::PcIndex;
}

QString WorldEntry::buttonCaption() const
{
    return isPc() ? QStringLiteral("PC") : QStringLiteral("World %1").arg(index);
}

QString WorldEntry::titleText() const
{
    if (isPc())
        return QStringLiteral("Pest Control - Members");
    return QStringLiteral("World %1 - %2")
        .arg(index)
        .arg(membership == Membership::Members ? QStringLiteral("Members")
                                               : QStringLiteral("Non-Members"));
}

int WorldEntry::leftTwips() const
{
    return column == 1 ? 120 : 1440;
}

int WorldEntry::topTwips() const
{
    return 600 + 240 * (row - 1);
}

namespace WorldCatalogue {

const QVector<WorldEntry> &entries()
{
    static const QVector<WorldEntry> all(std::begin(kWorlds), std::end(kWorlds));
    return all;
}

std::optional<WorldEntry> lookup(int index)
{
    for (const WorldEntry &e : entries()) {
        if (e.index == index)
            return e;
    }
    return std::nullopt;
}

QVector<WorldEntry> page(int tab)
{
    QVector<WorldEntry> result;
    for (const WorldEntry &e : entries()) {
        if (e.tab == tab)
            result.append(e);
    }
    std::sort(result.begin(), result.end(), [](const WorldEntry &a, const WorldEntry &b) {
        return a.row != b.row ? a.row < b.row : a.column < b.column;
    });
    return result;
}

QString pageCaption(int tab)
{
    switch (tab) {
    case 0:
        return QStringLiteral("Free");
    case 1:
        return QStringLiteral("Free Con");
    case 2:
        return QStringLiteral("Members");
    }
    return QString();
}

bool isHostLabel(const QString &text)
{
    static const QRegularExpression form(
        QRegularExpression::anchoredPattern(QStringLiteral("[a-z]{2,6}(?:[1-9]|1[0-2])")));
    return text.size() <= 7 && form.match(text).hasMatch();
}

} // namespace WorldCatalogue
