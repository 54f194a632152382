#include "forms/eula.h"

#include "about/rtf_reader.h"
#include "base/atomic_file.h"
#include "base/error.h"
#include "formats/program_folders.h"
#include "forms/qt_prompts.h"
#include "forms/qt_text.h"
#include "forms/site.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QVBoxLayout>

namespace vantrel {

namespace {

constexpr int kClientWidth = 424;
constexpr int kClientHeight = 348;
constexpr int kButtonPanelHeight = 41;

Qt::Alignment alignmentOf(RtfAlignment alignment) {
    switch (alignment) {
    case RtfAlignment::Center:
        return Qt::AlignHCenter;
    case RtfAlignment::Right:
        return Qt::AlignRight;
    case RtfAlignment::Justify:
        return Qt::AlignJustify;
    case RtfAlignment::Left:
        break;
    }
    return Qt::AlignLeft;
}

QTextCharFormat formatOf(const RtfStyle& style) {
    QTextCharFormat format;
    format.setFontWeight(style.bold ? QFont::Bold : QFont::Normal);
    format.setFontItalic(style.italic);
    format.setFontUnderline(style.underline);
    if (style.halfPoints > 0) {
        format.setFontPointSize(style.halfPoints / 2.0);
    }
    if (style.color) {
        format.setForeground(QColor(style.color->red, style.color->green, style.color->blue));
    }
    return format;
}

} // namespace

void RenderRtf(QTextDocument& document, const RtfDocument& rtf) {
    document.clear();
    QTextCursor cursor(&document);
    bool first = true;
    for (const RtfParagraph& paragraph : rtf.paragraphs) {
        QTextBlockFormat block;
        block.setAlignment(alignmentOf(paragraph.alignment));
        if (first) {
            cursor.setBlockFormat(block);
            first = false;
        } else {
            cursor.insertBlock(block);
        }
        for (const RtfRun& run : paragraph.runs) {
            QString text = QString::fromStdString(run.text);
            text.replace(QLatin1Char('\n'), QChar::LineSeparator);
            cursor.insertText(text, formatOf(run.style));
        }
    }
}

void LoadLicenceText(QTextDocument& document, const std::filesystem::path& path) {
    std::string bytes;
    if (ReadWholeFile(path, bytes)) {
        throw Error(formatMessage("Cannot open file %s", path.string()));
    }
    if (IsRtfText(bytes)) {
        RenderRtf(document, ReadRtf(bytes));
    } else {
        document.setPlainText(fromCp1251(bytes));
    }
}

TfmEULA::TfmEULA(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("fmEULA"));
    setWindowTitle(QStringLiteral("Vantrel Lite - лицензионное соглашение"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);

    auto* gbEULA = new QGroupBox(QStringLiteral("Текст лицензионного соглашения"), this);
    gbEULA->setObjectName(QStringLiteral("gbEULA"));
    reMain_ = new QTextEdit(gbEULA);
    reMain_->setObjectName(QStringLiteral("reMain"));
    reMain_->setAccessibleName(gbEULA->title());
    reMain_->setReadOnly(true);
    reMain_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    reMain_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // The initial content: an empty line and a line of one blank.
    reMain_->setPlainText(QStringLiteral("\n "));
    auto* groupLayout = new QVBoxLayout(gbEULA);
    groupLayout->addWidget(reMain_);

    auto* pnForButton = new QWidget(this);
    pnForButton->setObjectName(QStringLiteral("pnForButton"));
    pnForButton->setFixedHeight(kButtonPanelHeight);
    auto* btOK = new QPushButton(QStringLiteral("&OK"), pnForButton);
    btOK->setObjectName(QStringLiteral("btOK"));
    btOK->setDefault(true);
    btOK->setMinimumWidth(75);
    connect(btOK, &QPushButton::clicked, this, &QDialog::accept);
    auto* buttonLayout = new QHBoxLayout(pnForButton);
    buttonLayout->setContentsMargins(0, 8, 0, 8);
    buttonLayout->addStretch();
    buttonLayout->addWidget(btOK);
    buttonLayout->addStretch();

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 0);
    layout->addWidget(gbEULA);
    layout->addWidget(pnForButton);
    setFixedSize(kClientWidth, kClientHeight);
}

TfmEULA::~TfmEULA() = default;

void TfmEULA::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!loaded_) {
        loaded_ = true;
        CenterOnScreen(this);
        QtPrompts boxes(this);
        RunCommand(prompts_ != nullptr ? *prompts_ : boxes, [this] { FormShow(); });
    }
}

void TfmEULA::FormShow() {
    // The working folder first, then the installed data folder, then the program's own.
    const std::filesystem::path program = RunningProgramDirectory();
    const auto path =
        FindFileIn(kLicenceFileName, {std::filesystem::path(), DataDirectory(program), program});
    if (!path) {
        reMain_->append(QString::fromUtf8(kLicenceMissingText) +
                        QString::fromUtf8(kLicenceFileName));
        return;
    }
    LoadLicenceText(*reMain_->document(), *path);
}

} // namespace vantrel
