#include "ui/editor/DocumentMap.h"

#include "engine/Cp1251.h"

#include <QTest>

#include <string>
#include <vector>

namespace zarvik::test {

using Place = TDocumentMap::TPlace;
using Offsets = std::vector<std::size_t>;

namespace {

// One character of every kind the document holds, with its document position:
//   0 "a"      ASCII, one byte in both
//   1 "Ж"      Cyrillic, two bytes of UTF-8, one byte of text
//   3 "€"      three bytes of UTF-8, in the code page (0x88)
//   6 U+0098   the code page's unassigned byte 0x98, two bytes of UTF-8
//   8 "—"      three bytes of UTF-8, in the code page (0x97)
//  11 CR LF    two bytes in both
//  13 U+1F600  outside the BMP, four bytes of UTF-8, nine of text ("&#128512;")
//  17 CR       a lone CR, CR LF in the text
//  18 "b"
//  19 LF       a lone LF, CR LF in the text
//  20 "中"     outside the code page, three bytes of UTF-8, eight of text ("&#20013;")
//  23          the end
const std::string Document = "a\xD0\x96\xE2\x82\xAC\xC2\x98\xE2\x80\x94\r\n\xF0\x9F\x98\x80\rb\n\xE4\xB8\xAD";

// The same as text; offsets 0 a, 1 Ж, 2 €, 3 0x98, 4 —, 5-6 CR LF, 7-15 reference, 16-17 CR LF,
// 18 b, 19-20 CR LF, 21-28 reference, 29 the end.
const std::string Text = "a\xC6\x88\x98\x97\r\n&#128512;\r\nb\r\n&#20013;";

} // namespace

class DocumentMapTest : public QObject
{
    Q_OBJECT

private slots:
    void textTakesEveryCharacterToItsByteOrReference();
    void everyByteButLineBreaksSurvivesTheTripThroughTheDocument();
    void placesOfTextOffsets_data();
    void placesOfTextOffsets();
    void textOffsetsOfDocumentPositions_data();
    void textOffsetsOfDocumentPositions();
    void manyOffsetsAtOnceGiveWhatEachGivesAlone();
    void anEmptyDocumentIsAllEnd();
    void brokenUtf8NeverReadsPastTheEnd();
    void textBecomesADocument();
};

void DocumentMapTest::textTakesEveryCharacterToItsByteOrReference()
{
    QCOMPARE(TDocumentMap(Document).Text(), Text);
    // NUL is a character like any other.
    QCOMPARE(TDocumentMap(std::string_view("x\0y", 3)).Text(), std::string("x\0y", 3));
}

void DocumentMapTest::everyByteButLineBreaksSurvivesTheTripThroughTheDocument()
{
    std::string all;
    for (int b = 0; b < 256; ++b)
        if (b != '\r' && b != '\n')
            all += static_cast<char>(b);
    const std::string document = TDocumentMap::LinesToDocument({all, all});
    QVERIFY(IsValidUtf8(document));
    QCOMPARE(TDocumentMap(document).Text(), all + "\r\n" + all);
}

void DocumentMapTest::placesOfTextOffsets_data()
{
    QTest::addColumn<int>("offset");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("length");
    QTest::addColumn<int>("previous");
    QTest::newRow("ASCII, first") << 0 << 0 << 1 << 0;
    QTest::newRow("Cyrillic") << 1 << 1 << 2 << 0;
    QTest::newRow("euro") << 2 << 3 << 3 << 1;
    QTest::newRow("0x98") << 3 << 6 << 2 << 3;
    QTest::newRow("em dash") << 4 << 8 << 3 << 6;
    QTest::newRow("CR of CR LF") << 5 << 11 << 2 << 8;
    QTest::newRow("LF of CR LF") << 6 << 11 << 2 << 8;
    QTest::newRow("outside the BMP, first byte") << 7 << 13 << 4 << 11;
    QTest::newRow("outside the BMP, inside") << 11 << 13 << 4 << 11;
    QTest::newRow("outside the BMP, last byte") << 15 << 13 << 4 << 11;
    QTest::newRow("lone CR, CR") << 16 << 17 << 1 << 13;
    QTest::newRow("lone CR, LF") << 17 << 17 << 1 << 13;
    QTest::newRow("after a lone CR") << 18 << 18 << 1 << 17;
    QTest::newRow("lone LF, LF") << 20 << 19 << 1 << 18;
    QTest::newRow("outside the code page, first byte") << 21 << 20 << 3 << 19;
    QTest::newRow("outside the code page, last byte") << 28 << 20 << 3 << 19;
    QTest::newRow("end") << 29 << 23 << 0 << 20;
    QTest::newRow("past the end") << 1000 << 23 << 0 << 20;
}

void DocumentMapTest::placesOfTextOffsets()
{
    QFETCH(int, offset);
    QFETCH(int, start);
    QFETCH(int, length);
    QFETCH(int, previous);
    const std::vector<Place> places = TDocumentMap(Document).Places({static_cast<std::size_t>(offset)});
    QCOMPARE(places.size(), std::size_t{1});
    QCOMPARE(places[0].Start, static_cast<std::size_t>(start));
    QCOMPARE(places[0].Length, static_cast<std::size_t>(length));
    QCOMPARE(places[0].Previous, static_cast<std::size_t>(previous));
}

void DocumentMapTest::textOffsetsOfDocumentPositions_data()
{
    QTest::addColumn<int>("position");
    QTest::addColumn<int>("atStart");
    QTest::addColumn<int>("atEnd");
    QTest::newRow("ASCII") << 0 << 0 << 1;
    QTest::newRow("Cyrillic") << 1 << 1 << 2;
    QTest::newRow("inside Cyrillic: the next character") << 2 << 2 << 3;
    QTest::newRow("euro") << 3 << 2 << 3;
    QTest::newRow("0x98") << 6 << 3 << 4;
    QTest::newRow("em dash") << 8 << 4 << 5;
    QTest::newRow("CR LF") << 11 << 5 << 7;
    QTest::newRow("LF of CR LF: the next character") << 12 << 7 << 16;
    QTest::newRow("outside the BMP") << 13 << 7 << 16;
    QTest::newRow("inside a character outside the BMP") << 15 << 16 << 18;
    QTest::newRow("lone CR") << 17 << 16 << 18;
    QTest::newRow("lone LF") << 19 << 19 << 21;
    QTest::newRow("outside the code page") << 20 << 21 << 29;
    QTest::newRow("end") << 23 << 29 << 29;
    QTest::newRow("past the end") << 1000 << 29 << 29;
}

void DocumentMapTest::textOffsetsOfDocumentPositions()
{
    QFETCH(int, position);
    QFETCH(int, atStart);
    QFETCH(int, atEnd);
    const TDocumentMap map(Document);
    const Offsets positions{static_cast<std::size_t>(position)};
    QCOMPARE(map.TextOffsets(positions, false), Offsets{static_cast<std::size_t>(atStart)});
    QCOMPARE(map.TextOffsets(positions, true), Offsets{static_cast<std::size_t>(atEnd)});
}

void DocumentMapTest::manyOffsetsAtOnceGiveWhatEachGivesAlone()
{
    const TDocumentMap map(Document);
    const Offsets offsets{0, 0, 5, 6, 11, 16, 28, 29, 40};
    std::vector<Place> alone;
    for (std::size_t offset : offsets)
        alone.push_back(map.Places({offset}).front());
    QVERIFY(map.Places(offsets) == alone);

    const Offsets positions{0, 2, 2, 12, 13, 20, 23, 30};
    for (const bool after : {false, true}) {
        Offsets each;
        for (std::size_t position : positions)
            each.push_back(map.TextOffsets({position}, after).front());
        QCOMPARE(map.TextOffsets(positions, after), each);
    }
}

void DocumentMapTest::anEmptyDocumentIsAllEnd()
{
    const TDocumentMap map{std::string_view()};
    QCOMPARE(map.Text(), std::string());
    QVERIFY(map.Places({0, 3}) == (std::vector<Place>{{0, 0, 0}, {0, 0, 0}}));
    QCOMPARE(map.TextOffsets({0}, true), Offsets{0});
}

void DocumentMapTest::brokenUtf8NeverReadsPastTheEnd()
{
    // A stray continuation byte is one replacement character.
    QCOMPARE(TDocumentMap(std::string("a\x80") + "b").Text(), std::string("a&#65533;b"));
    // A character cut short by the end of the document ends with it.
    const TDocumentMap cut("x\xE2\x82");
    QVERIFY(cut.Places({1, 100}) == (std::vector<Place>{{1, 2, 0}, {3, 0, 1}}));
    QCOMPARE(cut.TextOffsets({1, 2}, false), (Offsets{1, cut.Text().size()}));
}

void DocumentMapTest::textBecomesADocument()
{
    QCOMPARE(TDocumentMap::LinesToDocument({"a", "", "\xC6\x98"}), std::string("a\r\n\r\n\xD0\x96\xC2\x98"));
    QCOMPARE(TDocumentMap::LinesToDocument({}), std::string());
    QCOMPARE(TDocumentMap::LinesToDocument({""}), std::string());
    // A file's breaks of every kind become CR LF, the final one kept.
    QCOMPARE(TDocumentMap::FileToDocument("a\rb\nc\r\n\r\n\x88"),
             std::string("a\r\nb\r\nc\r\n\r\n\xE2\x82\xAC"));
    QCOMPARE(TDocumentMap::FileToDocument("\r\r\n"), std::string("\r\n\r\n"));
}

} // namespace zarvik::test

QTEST_MAIN(zarvik::test::DocumentMapTest)
#include "DocumentMapTest.moc"
