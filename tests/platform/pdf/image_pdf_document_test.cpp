// The PDF adapter: a document appears whole at its name or not at all, and leaves no files of
// its own behind.

#include "platform/pdf/image_pdf_document.h"

#include "tests/support/env/temp_dir.h"

#include <QImage>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace platform::pdf {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> namesIn(const fs::path& dir)
{
    std::vector<std::string> out;
    for (const auto& e : fs::directory_iterator(dir))
        out.push_back(e.path().filename().string());
    return out;
}

std::string contentOf(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

class ImagePdfDocumentTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.ok()) << m_dir.error(); }
    fs::path target() const { return fs::path(m_dir.path()) / "out.pdf"; }

    bool addPage(ImagePdfDocument& doc)
    {
        QImage image(595, 842, QImage::Format_RGB32);
        image.fill(Qt::white);
        return doc.beginPage(595, 842) && doc.fitImage(image, 0, 0, 72, 72) && doc.endPage();
    }

    ts::support::TempDir m_dir{"image-pdf"};
};

TEST_F(ImagePdfDocumentTest, TheFileAppearsWholeWhenTheDocumentEnds)
{
    {
        std::ofstream(target()) << "old";
    }
    ImagePdfDocument doc;
    ASSERT_TRUE(doc.beginDocument(target().string())) << doc.errorText();
    ASSERT_TRUE(doc.setInfo(InfoField::Title, "T"));
    ASSERT_TRUE(addPage(doc)) << doc.errorText();
    ASSERT_TRUE(addPage(doc)) << doc.errorText();
    // Until the end the old file stays as it was.
    EXPECT_EQ(contentOf(target()), "old");
    ASSERT_TRUE(doc.endDocument()) << doc.errorText();
    EXPECT_EQ(contentOf(target()).substr(0, 5), "%PDF-");
    EXPECT_EQ(namesIn(m_dir.path()), std::vector<std::string>{"out.pdf"});
}

TEST_F(ImagePdfDocumentTest, WhatCannotBeWrittenIsRefusedAtTheStart)
{
    const std::string tooLong = (fs::path(m_dir.path()) / (std::string(252, 'n') + ".pdf")).string();
    for (const std::string& path : {(fs::path(m_dir.path()) / "missing/out.pdf").string(),
                                    std::string("relative.pdf"), m_dir.path(), tooLong, std::string()}) {
        ImagePdfDocument doc;
        EXPECT_FALSE(doc.beginDocument(path)) << path;
        EXPECT_FALSE(doc.errorText().empty()) << path;
        EXPECT_FALSE(doc.beginPage(595, 842));
    }
    EXPECT_TRUE(namesIn(m_dir.path()).empty());
}

TEST_F(ImagePdfDocumentTest, AnAbortedOrEmptyDocumentLeavesNothing)
{
    {
        std::ofstream(target()) << "old";
    }
    {
        ImagePdfDocument doc;
        ASSERT_TRUE(doc.beginDocument(target().string()));
        ASSERT_TRUE(addPage(doc));
        doc.abortDocument();
        EXPECT_FALSE(doc.endDocument());
    }
    {
        ImagePdfDocument doc; // dropped in the middle of a page
        ASSERT_TRUE(doc.beginDocument(target().string()));
        ASSERT_TRUE(doc.beginPage(595, 842));
    }
    {
        ImagePdfDocument doc;
        ASSERT_TRUE(doc.beginDocument(target().string()));
        EXPECT_FALSE(doc.endDocument()); // no pages: no file
        EXPECT_NE(doc.errorText().find("no pages"), std::string::npos) << doc.errorText();
    }
    EXPECT_EQ(contentOf(target()), "old");
    EXPECT_EQ(namesIn(m_dir.path()), std::vector<std::string>{"out.pdf"});
}

TEST_F(ImagePdfDocumentTest, PageSizesOutOfRangeAreRefused)
{
    ImagePdfDocument doc;
    ASSERT_TRUE(doc.beginDocument(target().string()));
    EXPECT_FALSE(doc.beginPage(0, 842));
    EXPECT_FALSE(doc.beginPage(595, 20000));
    EXPECT_FALSE(doc.fitImage(QImage(), 0, 0, 72, 72)); // no page
    ASSERT_TRUE(doc.beginPage(595, 842));
    EXPECT_FALSE(doc.beginPage(595, 842)); // one at a time
    EXPECT_FALSE(doc.fitImage(QImage(), 0, 0, 72, 72));
}

} // namespace
} // namespace platform::pdf
