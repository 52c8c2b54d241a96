// Output documents: format lists, pages of text separated by form feeds,
// hOCR, ALTO and TSV over several pages of a hand-made result, a PDF's
// refusal of a page without an image.
#include <gtest/gtest.h>

#include <sstream>

#include "app/OutputFormats.h"
#include "platform/Encoding.h"
#include "support/OutputFixtures.h"

namespace {

using app::OutputFormat;

size_t Count(const std::string& text, const std::string& part) {
  size_t count = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size())) ++count;
  return count;
}

// The document of the given pages in one format.
std::string Document(OutputFormat format, const std::vector<app::PageResult>& pages,
                     const app::OutputSettings& settings = {}) {
  app::OutputDocument document(format, settings);
  for (const app::PageResult& page : pages) EXPECT_TRUE(document.AddPage(page)) << document.Error();
  EXPECT_TRUE(document.Finish()) << document.Error();
  return document.TakeReady();
}

TEST(OutputFormats, ListsAreReadInOrderOnceEachAndRefuseUnknownNames) {
  std::vector<OutputFormat> formats;
  std::string error;
  ASSERT_TRUE(app::ParseFormats("pdf,txt,hocr,alto,tsv,json", formats, error)) << error;
  EXPECT_EQ(formats, (std::vector{OutputFormat::Pdf, OutputFormat::Text, OutputFormat::Hocr,
                                  OutputFormat::Alto, OutputFormat::Tsv, OutputFormat::Json}));
  ASSERT_TRUE(app::ParseFormats("text,txt", formats, error));
  EXPECT_EQ(formats, std::vector{OutputFormat::Text});
  for (const char* bad : {"", "txt,", ",pdf", "xml", "PDF", "txt pdf"}) {
    EXPECT_FALSE(app::ParseFormats(bad, formats, error)) << bad;
    EXPECT_FALSE(error.empty());
  }
  EXPECT_EQ(app::FormatExtension(OutputFormat::Alto), ".xml");
  EXPECT_TRUE(app::ShowsPageImage(OutputFormat::Pdf));
  EXPECT_FALSE(app::ShowsPageImage(OutputFormat::Hocr));
}

TEST(OutputFormats, TextPagesAreSeparatedByFormFeedsInTheChosenEncoding) {
  const app::PageResult page = outputtest::TwoLinePage();
  EXPECT_EQ(Document(OutputFormat::Text, {page}), "今天 A\n\n");
  EXPECT_EQ(Document(OutputFormat::Text, {page, page}), "今天 A\n\n\f今天 A\n\n");
  app::OutputSettings gbk;
  gbk.Encoding = app::TextEncoding::Gbk;
  EXPECT_EQ(Document(OutputFormat::Text, {page}, gbk), platform::Utf8ToGbk("今天 A\n\n"));
  EXPECT_EQ(Count(Document(OutputFormat::Json, {page, page}), "\n"), 2u);
}

TEST(OutputFormats, DocumentsWithoutPagesAreEmpty) {
  for (OutputFormat format : {OutputFormat::Text, OutputFormat::Json, OutputFormat::Pdf, OutputFormat::Hocr,
                              OutputFormat::Alto, OutputFormat::Tsv}) {
    EXPECT_EQ(Document(format, {}), "");
  }
}

TEST(OutputFormats, HocrHasOneWordPerCharacterWithExclusiveBoxesAndIdsUniqueOverPages) {
  app::PageResult page = outputtest::TwoLinePage();
  page.Image = "a \"b\".png";
  const std::string hocr = Document(OutputFormat::Hocr, {page, page});
  EXPECT_EQ(hocr.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n", 0), 0u);
  EXPECT_NE(hocr.find("<title>a &quot;b&quot;.png</title>"), std::string::npos);
  EXPECT_NE(hocr.find("title=\"image &quot;a \\&quot;b\\&quot;.png&quot;; bbox 0 0 200 100; ppageno 0\""),
            std::string::npos)
      << hocr;
  EXPECT_NE(hocr.find("id=\"page_2\""), std::string::npos);
  // The line without characters and the unread block are left out.
  EXPECT_EQ(Count(hocr, "class=\"ocr_line\""), 2u);
  EXPECT_EQ(Count(hocr, "class=\"ocrx_word\""), 6u);
  EXPECT_NE(
      hocr.find("<span class=\"ocr_line\" id=\"line_1_1\" title=\"bbox 10 5 100 31\">"
                "<span class=\"ocrx_word\" id=\"word_1_1_1\" title=\"bbox 10 5 30 31; x_wconf 100\">今</span>"
                "<span class=\"ocrx_word\" id=\"word_1_1_2\" title=\"bbox 32 6 52 31; x_wconf 50\">天</span> "
                "<span class=\"ocrx_word\" id=\"word_1_1_3\" title=\"bbox 80 8 100 31; x_wconf 73\">A</span>"
                "</span>"),
      std::string::npos)
      << hocr;
  EXPECT_NE(hocr.find("id=\"word_2_1_3\""), std::string::npos);
  EXPECT_EQ(hocr.substr(hocr.size() - 16), "</body>\n</html>\n");
}

TEST(OutputFormats, AltoHasPagesLinesStringsAndSpacesInPixels) {
  const app::PageResult page = outputtest::TwoLinePage();
  const std::string alto = Document(OutputFormat::Alto, {page, page});
  EXPECT_NE(alto.find("xmlns=\"http://www.loc.gov/standards/alto/ns-v4#\""), std::string::npos);
  EXPECT_NE(alto.find("<fileName>scan.png</fileName>"), std::string::npos);
  EXPECT_NE(alto.find("<Page ID=\"page_2\" PHYSICAL_IMG_NR=\"2\" WIDTH=\"200\" HEIGHT=\"100\">"),
            std::string::npos);
  EXPECT_EQ(Count(alto, "<TextLine "), 2u);
  EXPECT_NE(alto.find("<String ID=\"string_1_1_2\" HPOS=\"32\" VPOS=\"6\" WIDTH=\"20\" HEIGHT=\"25\" "
                      "CONTENT=\"天\" WC=\"0.50\"/><SP WIDTH=\"28\" HPOS=\"52\" VPOS=\"6\"/>"
                      "<String ID=\"string_1_1_3\""),
            std::string::npos)
      << alto;
  EXPECT_EQ(alto.substr(alto.size() - 20), "  </Layout>\n</alto>\n");
}

TEST(OutputFormats, TsvHasARowPerPageLineAndCharacterInTwelveColumns) {
  const app::PageResult page = outputtest::TwoLinePage();
  std::istringstream rows(Document(OutputFormat::Tsv, {page, page}));
  std::vector<std::vector<std::string>> table;
  for (std::string row; std::getline(rows, row);) {
    std::vector<std::string> cells;
    std::istringstream fields(row);
    for (std::string cell; std::getline(fields, cell, '\t');) cells.push_back(cell);
    if (!row.empty() && row.back() == '\t') cells.emplace_back();
    table.push_back(cells);
  }
  // Header; per page: page, block, paragraph, line, three characters.
  ASSERT_EQ(table.size(), 1u + 2 * 7);
  for (const auto& cells : table) EXPECT_EQ(cells.size(), 12u);
  EXPECT_EQ(table[0][0], "level");
  EXPECT_EQ(table[0][11], "text");
  EXPECT_EQ(table[1],
            (std::vector<std::string>{"1", "1", "0", "0", "0", "0", "0", "0", "200", "100", "-1", ""}));
  EXPECT_EQ(table[2],
            (std::vector<std::string>{"2", "1", "1", "0", "0", "0", "10", "5", "90", "26", "-1", ""}));
  EXPECT_EQ(table[3],
            (std::vector<std::string>{"3", "1", "1", "1", "0", "0", "10", "5", "90", "26", "-1", ""}));
  EXPECT_EQ(table[4],
            (std::vector<std::string>{"4", "1", "1", "1", "1", "0", "10", "5", "90", "26", "-1", ""}));
  EXPECT_EQ(table[7],
            (std::vector<std::string>{"5", "1", "1", "1", "1", "3", "80", "8", "20", "23", "73", "A"}));
  EXPECT_EQ(table[8][1], "2");  // pages are counted through the document
}

// The rows of a TSV document, each split at its tabs.
std::vector<std::vector<std::string>> TsvRows(const std::string& tsv) {
  std::vector<std::vector<std::string>> rows;
  std::istringstream in(tsv);
  for (std::string row; std::getline(in, row);) {
    std::vector<std::string> cells;
    std::istringstream fields(row);
    for (std::string cell; std::getline(fields, cell, '\t');) cells.push_back(cell);
    rows.push_back(cells);
  }
  return rows;
}

TEST(OutputFormats, RegionsAndParagraphsAreBlocksAndParagraphsInHocrAltoAndTsv) {
  const app::PageResult page = outputtest::TwoRegionPage();
  const std::string hocr = Document(OutputFormat::Hocr, {page});
  EXPECT_EQ(Count(hocr, "class=\"ocr_carea\""), 2u);
  EXPECT_EQ(Count(hocr, "class=\"ocr_par\""), 3u);
  EXPECT_EQ(Count(hocr, "class=\"ocr_line\""), 4u);
  // The left region reaches from its first line to the bottom of its third.
  EXPECT_NE(hocr.find("<div class=\"ocr_carea\" id=\"block_1_1\" title=\"bbox 10 5 100 151\">\n"
                      "    <p class=\"ocr_par\" id=\"par_1_1\" title=\"bbox 10 5 100 71\">\n"),
            std::string::npos)
      << hocr;
  EXPECT_NE(hocr.find("<p class=\"ocr_par\" id=\"par_1_2\" title=\"bbox 10 125 100 151\">\n"
                      "     <span class=\"ocr_line\" id=\"line_1_3\""),
            std::string::npos);
  EXPECT_NE(hocr.find("<div class=\"ocr_carea\" id=\"block_1_2\" title=\"bbox 200 5 290 31\">\n"
                      "    <p class=\"ocr_par\" id=\"par_1_3\""),
            std::string::npos);

  const std::string alto = Document(OutputFormat::Alto, {page});
  EXPECT_EQ(Count(alto, "<TextBlock "), 2u);
  EXPECT_NE(alto.find("<TextBlock ID=\"block_1_2\" HPOS=\"200\" VPOS=\"5\" WIDTH=\"90\" HEIGHT=\"26\">\n"
                      "          <TextLine ID=\"line_1_4\""),
            std::string::npos)
      << alto;

  // block, paragraph in its block, line in its paragraph, of each line's row.
  std::vector<std::vector<std::string>> numbers;
  for (const auto& row : TsvRows(Document(OutputFormat::Tsv, {page})))
    if (row[0] == "4") numbers.push_back({row[2], row[3], row[4]});
  EXPECT_EQ(numbers, (std::vector<std::vector<std::string>>{
                         {"1", "1", "1"}, {"1", "1", "2"}, {"1", "2", "1"}, {"2", "1", "1"}}));
}

TEST(OutputFormats, APagePassedOverKeepsItsPlace) {
  const app::PageResult page = outputtest::TwoLinePage();
  auto document = [&](OutputFormat format, bool skipFirst) {
    app::OutputDocument out(format, {});
    if (skipFirst) out.SkipPage();
    EXPECT_TRUE(out.AddPage(page));
    out.SkipPage();
    EXPECT_TRUE(out.AddPage(page));
    EXPECT_TRUE(out.Finish());
    return out.TakeReady();
  };
  // An empty page in the text between form feeds.
  EXPECT_EQ(document(OutputFormat::Text, false), "今天 A\n\n\f\f今天 A\n\n");
  EXPECT_EQ(document(OutputFormat::Text, true), "\f今天 A\n\n\f\f今天 A\n\n");
  EXPECT_EQ(Count(document(OutputFormat::Json, true), "\n"), 2u);
  // The markup formats number the pages by their places, and begin and end
  // once however the document starts.
  const std::string hocr = document(OutputFormat::Hocr, true);
  EXPECT_EQ(hocr.rfind("<?xml ", 0), 0u);
  EXPECT_NE(hocr.find("id=\"page_2\""), std::string::npos);
  EXPECT_NE(hocr.find("id=\"page_4\""), std::string::npos);
  EXPECT_EQ(Count(hocr, "class=\"ocr_page\""), 2u);
  EXPECT_EQ(Count(document(OutputFormat::Alto, true), "</alto>"), 1u);
  app::OutputDocument nothing(OutputFormat::Hocr, {});
  nothing.SkipPage();
  EXPECT_TRUE(nothing.Finish());
  EXPECT_EQ(nothing.TakeReady(), "");
}

TEST(OutputFormats, PdfNeedsTheBlackAndWhitePageImage) {
  app::PageResult page = outputtest::TwoLinePage();
  app::OutputDocument pdf(OutputFormat::Pdf, {});
  EXPECT_FALSE(pdf.AddPage(page));
  EXPECT_FALSE(pdf.Error().empty());
  page.Page = platform::Bitmap(page.Width, page.Height, 8);
  EXPECT_FALSE(pdf.AddPage(page));

  page.Page = platform::Bitmap(page.Width, page.Height, 1);
  app::OutputDocument good(OutputFormat::Pdf, {});
  ASSERT_TRUE(good.AddPage(page)) << good.Error();
  EXPECT_EQ(good.TakeReady(), "");  // complete only when finished
  ASSERT_TRUE(good.Finish()) << good.Error();
  const std::string bytes = good.TakeReady();
  EXPECT_EQ(bytes.rfind("%PDF-", 0), 0u);
  EXPECT_NE(bytes.find("%%EOF"), std::string::npos);
}

}  // namespace
