#include "settings/language_pack.h"
#include "support/qt_print.h"

#include <gtest/gtest.h>

namespace lumora {
namespace {

TEST(LanguagePack, LinesEndAtEveryKindOfLineEnd) {
    // CR LF, a lone LF, a lone CR; LF CR ends two lines with an empty one
    // between; a last line without an end counts, a last line end adds none.
    EXPECT_EQ(parseLanguagePack("a\r\nb\nc\rd\n\re"), QStringList({"a", "b", "c", "d", "", "e"}));
    EXPECT_EQ(parseLanguagePack("a\r\n\r\n"), QStringList({"a", ""}));
    EXPECT_EQ(parseLanguagePack("one line"), QStringList({"one line"}));
    EXPECT_TRUE(parseLanguagePack("").isEmpty());
    // The text ends at the first NUL: line 3 is cut there and nothing follows.
    EXPECT_EQ(parseLanguagePack(QByteArray("a\nb\nc\0d\ne\n", 11)), QStringList({"a", "b", "c"}));
}

TEST(LanguagePack, LinesAreCutAndCounted) {
    const QString longLine(100000, u'x');
    const QStringList lines = parseLanguagePack(longLine.toUtf8() + "\nnext");
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(lines[0], QString(kLanguageLineLength, u'x'));
    EXPECT_EQ(lines[1], QStringLiteral("next"));
    // A cut never splits a character outside the basic plane in two.
    const QString emoji =
        QString(kLanguageLineLength - 1, u'y') + QString::fromUtf8("\xF0\x9F\x98\x80");
    EXPECT_EQ(parseLanguagePack(emoji.toUtf8()).value(0), QString(kLanguageLineLength - 1, u'y'));

    // 10,000 lines are kept whole; a pack of nothing but line ends is no
    // longer list than the settings file gives back.
    QByteArray many;
    for (int i = 0; i < 10000; ++i)
        many += QByteArray::number(i) + "\r\n";
    const QStringList kept = parseLanguagePack(many);
    ASSERT_EQ(kept.size(), 10000);
    EXPECT_EQ(kept.last(), QStringLiteral("9999"));
    EXPECT_EQ(parseLanguagePack(QByteArray(kLanguagePackCapacity, '\n')).size(),
              kLanguageLinesKept);
}

TEST(LanguagePack, Utf8WhenValidElseWindows1252) {
    EXPECT_EQ(parseLanguagePack("\xEF\xBB\xBF&Datei\r\n\xC3\x84nderung \xE2\x82\xAC"),
              QStringList({"&Datei", QString::fromUtf8("Änderung €")}));
    // Not UTF-8: "Ä" is 0xC4, "€" 0x80; the five undefined bytes become the
    // control characters of their number, the rest is Latin-1.
    EXPECT_EQ(parseLanguagePack("\xC4nderung \x80\n\x81\x8D\x8F\x90\x9D\n\x9F\xA0\xFF"),
              QStringList({QString::fromUtf8("Änderung €"),
                           QString::fromUtf16(u"\u0081\u008D\u008F\u0090\u009D"),
                           QString::fromUtf16(u"\u0178\u00A0\u00FF")}));
    // One bad byte anywhere makes the whole pack Windows-1252, a mark and all.
    EXPECT_EQ(parseLanguagePack("\xEF\xBB\xBF\xC3\x84\n\xC4"),
              QStringList({QString::fromUtf8("ï»¿Ã„"), QString::fromUtf8("Ä")}));
    // What the program writes it reads back.
    const QStringList lines = {QString::fromUtf8("Über"), "", "(reserviert)", "&Hilfe"};
    EXPECT_EQ(parseLanguagePack(formatLanguagePack(lines)), lines);
}

}  // namespace
}  // namespace lumora
