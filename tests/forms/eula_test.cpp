#include "about/rtf_reader.h"
#include "base/cp1251.h"
#include "forms/eula.h"
#include "support/qt_test_support.h"
#include "support/scripted_prompts.h"
#include "support/temp_folder.h"

#include <QGroupBox>
#include <QPushButton>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>

#include <gtest/gtest.h>

#include <optional>

namespace vantrel {
namespace {

// Runs each test in a fresh working folder, where the licence is looked up.
class LicenceDialog : public ::testing::Test {
protected:
    void SetUp() override { std::filesystem::current_path(dir.path()); }
    void TearDown() override { std::filesystem::current_path(previous); }

    // Opens a fresh dialog as the main window does and returns its text.
    QString shownText(std::optional<QString> snapshot = std::nullopt) {
        TfmEULA dialog;
        dialog.setPrompts(&prompts);
        dialog.show();
        if (snapshot) {
            test::SaveSnapshot(dialog, *snapshot);
        }
        return dialog.textBox()->toPlainText();
    }
    void writeLicence(const std::string& bytes) { test::WriteBytes(dir / kLicenceFileName, bytes); }

    const std::filesystem::path previous = std::filesystem::current_path();
    test::TempFolder dir;
    test::ScriptedPrompts prompts;
};

// The formats of the fragments whose text contains `text`.
std::vector<QTextCharFormat> formatsOf(const QTextDocument& document, const QString& text) {
    std::vector<QTextCharFormat> formats;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            if (it.fragment().text().contains(text)) {
                formats.push_back(it.fragment().charFormat());
            }
        }
    }
    return formats;
}

TEST_F(LicenceDialog, LayoutAndCaptions) {
    TfmEULA dialog;
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Vantrel Lite - лицензионное соглашение"));
    EXPECT_EQ(dialog.findChild<QGroupBox*>(QStringLiteral("gbEULA"))->title(),
              QStringLiteral("Текст лицензионного соглашения"));
    EXPECT_EQ(dialog.findChild<QPushButton*>(QStringLiteral("btOK"))->text(),
              QStringLiteral("&OK"));
    QTextEdit* box = dialog.textBox();
    EXPECT_EQ(box->objectName(), QStringLiteral("reMain"));
    EXPECT_TRUE(box->isReadOnly());
    EXPECT_EQ(box->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_EQ(box->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_EQ(box->toPlainText(), QStringLiteral("\n ")); // before it is shown
    dialog.setPrompts(&prompts);
    dialog.show();
    EXPECT_TRUE(box->horizontalScrollBar()->isVisible());
    EXPECT_TRUE(box->verticalScrollBar()->isVisible());
}

TEST_F(LicenceDialog, MissingFileIsReportedAfterTheTwoInitialLines) {
    EXPECT_EQ(shownText(QStringLiteral("licence_dialog_missing")),
              QStringLiteral("\n \nНе найден файл лицензионного соглашения Vantrel EULA.txt"));
    EXPECT_TRUE(prompts.log.empty());
    // A fresh dialog each time: the second opening shows the same.
    EXPECT_EQ(shownText(),
              QStringLiteral("\n \nНе найден файл лицензионного соглашения Vantrel EULA.txt"));
}

TEST_F(LicenceDialog, PlainTextIsRead1251) {
    writeLicence(
        Utf8ToCp1251("Лицензионное соглашение\r\nПрограмма «Vantrel Lite» — бесплатная.\r\n"));
    const QString text = shownText();
    EXPECT_TRUE(text.startsWith(QStringLiteral("Лицензионное соглашение")));
    EXPECT_TRUE(text.contains(QStringLiteral("Программа «Vantrel Lite» — бесплатная.")));
    EXPECT_FALSE(text.contains(QStringLiteral("Не найден")));
    // Even text that looks odd is shown, never refused.
    writeLicence(std::string("\x01\xff\x98 x", 5));
    EXPECT_TRUE(shownText().endsWith(QStringLiteral("я\uFFFD x")));
    EXPECT_TRUE(prompts.log.empty());
}

TEST_F(LicenceDialog, RichTextIsShownFormatted) {
    writeLicence(
        "{\\rtf1\\ansi\\ansicpg1251{\\fonttbl{\\f0 Arial;}}"
        "{\\colortbl;\\red200\\green0\\blue0;}\\pard\\qc\\fs32\\b \\'cb\\'e8\\'f6\\'e5\\'ed"
        "\\'e7\\'e8\\'ff\\b0\\par\\pard\\fs20 Plain \\i italic\\i0  and \\cf1 red\\cf0 "
        "\\line next\\par}");
    TfmEULA dialog;
    dialog.setPrompts(&prompts);
    dialog.show();
    const QTextDocument& document = *dialog.textBox()->document();
    ASSERT_EQ(document.blockCount(), 2);
    EXPECT_EQ(document.begin().text(), QStringLiteral("Лицензия"));
    EXPECT_EQ(document.begin().next().text(), QStringLiteral("Plain italic and red\u2028next"));
    EXPECT_EQ(document.begin().blockFormat().alignment(), Qt::AlignHCenter);
    EXPECT_EQ(document.begin().next().blockFormat().alignment(), Qt::AlignLeft);

    const auto title = formatsOf(document, QStringLiteral("Лицензия"));
    ASSERT_EQ(title.size(), 1u);
    EXPECT_EQ(title[0].fontWeight(), QFont::Bold);
    EXPECT_DOUBLE_EQ(title[0].fontPointSize(), 16.0);
    const auto plain = formatsOf(document, QStringLiteral("Plain"));
    ASSERT_EQ(plain.size(), 1u);
    EXPECT_NE(plain[0].fontWeight(), QFont::Bold);
    EXPECT_TRUE(formatsOf(document, QStringLiteral("italic"))[0].fontItalic());
    EXPECT_EQ(formatsOf(document, QStringLiteral("red"))[0].foreground().color(),
              QColor(200, 0, 0));
    EXPECT_TRUE(prompts.log.empty());
}

TEST_F(LicenceDialog, UnreadableFilesGoToTheErrorBox) {
    std::filesystem::create_directory(dir / kLicenceFileName);
    shownText();
    EXPECT_EQ(prompts.log, (std::vector<std::string>{"error: Cannot open file Vantrel EULA.txt"}));

    std::filesystem::remove(dir / kLicenceFileName);
    const std::size_t depth = kMaxRtfDepth + 1;
    writeLicence("{\\rtf1 " + std::string(depth, '{') + "x");
    prompts.log.clear();
    shownText();
    EXPECT_EQ(prompts.log, (std::vector<std::string>{"error: Failed to Load Stream"}));
}

TEST_F(LicenceDialog, TheProductLicenceReadsWell) {
    std::filesystem::copy_file(std::filesystem::path(VANTREL_SOURCE_DIR) / kLicenceFileName,
                               dir / kLicenceFileName);
    const QString text = shownText(QStringLiteral("licence_dialog"));
    EXPECT_TRUE(prompts.log.empty());
    EXPECT_TRUE(text.contains(QStringLiteral("Vantrel Lite")));
    EXPECT_TRUE(text.contains(QStringLiteral("бесплатн")));
    EXPECT_TRUE(text.contains(QStringLiteral("как есть")));
    EXPECT_FALSE(text.contains(QChar(0xFFFD)));
}

} // namespace
} // namespace vantrel
