#include "app/TextFiles.h"

#include "engine/Error.h"
#include "tests/app/TempDir.h"
#include "tests/support/Ru.h"

#include <gtest/gtest.h>
#include <string>

using namespace zarvik;
using zarvik::test::ReadAll;
using zarvik::test::Ru;
using zarvik::test::TTempDir;

class TextFiles : public testing::Test
{
protected:
    TTempDir FDir;
};

TEST_F(TextFiles, Utf8FileIsConvertedAndOtherFilesAreTakenByteForByte)
{
    // UTF-8 with a character the code page lacks.
    EXPECT_EQ(ReadTextFile(FDir.Write("utf8.txt", "Сад Ω ёж")), Ru("Сад ") + "&#937;" + Ru(" ёж"));
    // The same text in Windows-1251 is not valid UTF-8 and stays as it is.
    EXPECT_EQ(ReadTextFile(FDir.Write("cp1251.txt", Ru("Сад ёж"))), Ru("Сад ёж"));
    // Plain ASCII and a mix that is not valid UTF-8 are not touched either.
    EXPECT_EQ(ReadTextFile(FDir.Write("ascii.txt", "a\r\nb")), "a\r\nb");
    EXPECT_EQ(ReadTextFile(FDir.Write("mixed.txt", "\xD0\xA1 \xC0")), "\xD0\xA1 \xC0");
    EXPECT_EQ(ReadTextFile(FDir.Write("empty.txt", "")), "");
    // Binary data is not converted even when it happens to be valid UTF-8.
    const std::string binary("\xD0\xA1\0\xD0\x9F", 5);
    EXPECT_EQ(ReadTextFile(FDir.Write("binary.txt", binary)), binary);
}

TEST_F(TextFiles, MissingFileNamesItsFullPathAndTheSystemReason)
{
    const std::string path = FDir.File("absent.txt");
    try {
        ReadTextFile(path);
        FAIL();
    } catch (const EError &e) {
        EXPECT_EQ(std::string(e.what()), "Cannot open file \"" + path + "\". No such file or directory");
    }
    try {
        ReadTextFileLines(FDir.Path().string());
        FAIL();
    } catch (const EError &e) {
        EXPECT_EQ(std::string(e.what()), "Cannot open file \"" + FDir.Path().string() + "\". Is a directory");
    }
}

TEST_F(TextFiles, CyrillicPathIsShownInWindows1251)
{
    const std::string path = FDir.File("нет.txt");
    try {
        ReadTextFile(path);
        FAIL();
    } catch (const EError &e) {
        EXPECT_EQ(std::string(e.what()), "Cannot open file \"" + Ru(path) + "\". No such file or directory");
    }
}

TEST_F(TextFiles, LinesEndAtCrLfCrOrLfWithoutAnEmptyLineForAFinalBreak)
{
    EXPECT_EQ(ReadTextFileLines(FDir.Write("a.txt", "one\r\ntwo\rthree\nfour\r\n")),
              (TStringList{"one", "two", "three", "four"}));
    EXPECT_EQ(ReadTextFileLines(FDir.Write("b.txt", "x\n\n")), (TStringList{"x", ""}));
}

TEST_F(TextFiles, EditorTextUsesCrLfAndKeepsAFinalBreak)
{
    EXPECT_EQ(ReadEditorTextFile(FDir.Write("t.html", "<a>\n<b>\r</b>\r\n")), "<a>\r\n<b>\r\n</b>\r\n");
    EXPECT_EQ(ReadEditorTextFile(FDir.Write("u.html", "<a>\n<b>")), "<a>\r\n<b>");
    EXPECT_EQ(EditorTextOf("\n"), "\r\n");
    EXPECT_EQ(EditorTextOf("a\r\n\r\n"), "a\r\n\r\n");
    EXPECT_EQ(EditorTextOf(""), "");
}

TEST_F(TextFiles, LinkImports)
{
    const std::string txt = FDir.Write("links.txt", "a.html\r\nb.html\n\nc.html\n");
    EXPECT_EQ(ImportLinksTxt(txt), (TStringList{"a.html", "b.html", "", "c.html"}));

    const std::string tsv = FDir.Write("links.tsv", "url\tanchor\r\na\tb\r\nc\td\r\n");
    EXPECT_EQ(ImportLinksTsv(tsv), (TStringList{"a\tb", "c\td"}));
    EXPECT_TRUE(ImportLinksTsv(FDir.Write("header.tsv", "url\tanchor\r\n")).empty());
    EXPECT_TRUE(ImportLinksTsv(FDir.Write("empty.tsv", "")).empty());
}

TEST_F(TextFiles, ContentFilesAreJoinedWithAMarkerLineBetweenFiles)
{
    const std::string a = FDir.Write("a.txt", "A1\r\nA2\r\n");
    const std::string b = FDir.Write("b.txt", "B1");
    const std::string c = FDir.Write("c.txt", Ru("Сад\n"));
    EXPECT_EQ(JoinContentFiles({a, b, c}, "!-next_page-!"),
              "A1\r\nA2\r\n!-next_page-!\r\nB1\r\n!-next_page-!\r\n" + Ru("Сад"));
    EXPECT_EQ(JoinContentFiles({a}, "!-next_page-!"), "A1\r\nA2");
    EXPECT_EQ(JoinContentFiles({}, "!-next_page-!"), "");
    // An empty file still gets its marker line.
    const std::string empty = FDir.Write("e.txt", "");
    EXPECT_EQ(JoinContentFiles({empty, b}, "##"), "##\r\nB1");
    // A UTF-8 file and a Windows-1251 file with the same text give the same content.
    const std::string utf8 = FDir.Write("u.txt", "Привет. Мир");
    const std::string cp1251 = FDir.Write("w.txt", Ru("Привет. Мир"));
    EXPECT_EQ(JoinContentFiles({utf8}, ""), JoinContentFiles({cp1251}, ""));
    EXPECT_THROW(JoinContentFiles({a, FDir.File("absent.txt")}, "#"), EError);
}

TEST_F(TextFiles, WriteTextFileWritesTheBytesUnchanged)
{
    const std::string path = FDir.File("out.txt");
    WriteTextFile(path, Ru("a\r\nб\n"));
    EXPECT_EQ(ReadAll(path), Ru("a\r\nб\n"));
    WriteTextFile(path, "short");
    EXPECT_EQ(ReadAll(path), "short");
}

TEST_F(TextFiles, ByteOrderMarkIsNotPartOfLinksStyleSheetsTemplatesOrContent)
{
    const std::string mark = "\xEF\xBB\xBF";
    EXPECT_EQ(ImportLinksTxt(FDir.Write("links.txt", mark + "http://a.ru/\r\nhttp://b.ru/\r\n")),
              (TStringList{"http://a.ru/", "http://b.ru/"}));
    EXPECT_EQ(ImportLinksTsv(FDir.Write("links.tsv", mark + "url\r\nhttp://a.ru/\r\n")),
              (TStringList{"http://a.ru/"}));
    EXPECT_EQ(ReadEditorTextFile(FDir.Write("style.css", mark + "body {\n}\n")), "body {\r\n}\r\n");
    EXPECT_EQ(ReadEditorTextFile(FDir.Write("t.html", mark + "<!DOCTYPE html>\n<html>")),
              "<!DOCTYPE html>\r\n<html>");
    const std::string first = FDir.Write("a.txt", mark + "Сад.");
    const std::string second = FDir.Write("b.txt", mark + "Ёж.");
    EXPECT_EQ(JoinContentFiles({first, second}, "#"), Ru("Сад.\r\n#\r\nЁж."));
}

TEST_F(TextFiles, ChosenEncodingReachesEveryImportAndConvertedFilesAreReported)
{
    const std::string koi8 = FDir.Write("koi8.txt", "\xF3\xC1\xC4"); // "Сад" in KOI8-R
    const std::string cp1251 = FDir.Write("cp1251.txt", Ru("Сад"));
    std::vector<std::string> reported;
    TTextReadOptions options;
    options.Encoding = TTextEncoding::Koi8R;
    options.OnConverted = [&](const std::string &path, const TDecodedText &text) {
        reported.push_back(path + " " + std::string(TextEncodingName(text.ReadAs)));
    };
    EXPECT_EQ(ImportLinksTxt(koi8, options), TStringList{Ru("Сад")});
    EXPECT_EQ(ReadEditorTextFile(koi8, options), Ru("Сад"));
    EXPECT_EQ(JoinContentFiles({koi8, koi8}, "#", options), Ru("Сад\r\n#\r\nСад"));
    EXPECT_EQ(reported.size(), 4u);
    EXPECT_EQ(reported.front(), koi8 + " KOI8-R");

    // Without a choice the bytes come in as they are, and nothing is reported.
    reported.clear();
    options.Encoding = TTextEncoding::Default;
    EXPECT_EQ(ReadTextFile(koi8, options), "\xF3\xC1\xC4");
    options.Encoding = TTextEncoding::Cp1251;
    EXPECT_EQ(ReadTextFile(cp1251, options), Ru("Сад"));
    EXPECT_TRUE(reported.empty());
}
