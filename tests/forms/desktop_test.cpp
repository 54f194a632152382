// The program's icon and Qt's own texts in Russian.
#include "forms/desktop.h"
#include "support/qt_test_support.h"
#include "support/temp_folder.h"

#include <QAbstractProxyModel>
#include <QAction>
#include <QCoreApplication>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QRegularExpression>
#include <QTest>
#include <QTranslator>

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <memory>

namespace vantrel {
namespace {

TEST(ProgramIcon, DrawnAtEveryWindowSize) {
    const QIcon icon = ProgramIcon();
    ASSERT_FALSE(icon.isNull());
    for (const int size : {16, 32, 64}) {
        const QImage image = icon.pixmap(size).toImage();
        ASSERT_EQ(image.size(), QSize(size, size));
        // Painted in the middle (the padlock's body), transparent in the corner.
        EXPECT_GT(image.pixelColor(size / 2, size * 3 / 4).alpha(), 200) << size;
        EXPECT_EQ(image.pixelColor(0, 0).alpha(), 0) << size;
    }
    QLabel picture;
    picture.setPixmap(icon.pixmap(128));
    test::SaveSnapshot(picture, QStringLiteral("program_icon"));
}

// Whatever the user's locale (the tests run under C), the calendar's names and
// the file dialog's types, sizes and dates are Russian.
TEST(QtTranslation, CalendarNamesAndFileDialogDetailsAreRussian) {
    const QLocale previous;
    UseRussianLocale();
    ASSERT_TRUE(LoadQtTranslation(*QCoreApplication::instance()));
    EXPECT_EQ(QLocale().standaloneMonthName(1), QStringLiteral("январь"));
    EXPECT_EQ(QLocale().dayName(1, QLocale::ShortFormat), QStringLiteral("пн"));

    test::TempFolder folder;
    std::filesystem::create_directory(folder / "sub");
    test::WriteBytes(folder / "file.bin", std::string(5000, '\0'));
    QFileDialog dialog;
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    ShowFileDetailsByDefaultLocale(dialog);
    dialog.setDirectory(QString::fromStdString(folder.path().string()));
    dialog.show();
    QAbstractProxyModel* model = dialog.proxyModel();
    ASSERT_NE(model, nullptr);
    auto* files = dialog.findChild<QFileSystemModel*>();
    const QModelIndex root =
        model->mapFromSource(files->index(QString::fromStdString(folder.path().string())));
    QTRY_COMPARE(model->rowCount(root), 2);
    test::SaveSnapshot(dialog, QStringLiteral("file_dialog_details"));
    std::map<QString, QStringList> rows;
    for (int row = 0; row < 2; ++row) {
        QStringList cells;
        for (int column = 1; column < 4; ++column) {
            cells << model->index(row, column, root).data().toString();
        }
        rows[model->index(row, 0, root).data().toString()] = cells;
    }
    for (QTranslator* translator : QCoreApplication::instance()->findChildren<QTranslator*>()) {
        QCoreApplication::removeTranslator(translator);
        delete translator;
    }
    QLocale::setDefault(previous);
    EXPECT_EQ(rows[QStringLiteral("sub")].value(1), QStringLiteral("Папка"));
    const QStringList file = rows[QStringLiteral("file.bin")];
    EXPECT_EQ(file.value(0), QStringLiteral("4,88 KiB")); // Russian numbers, IEC units
    EXPECT_TRUE(
        file.value(2).contains(QRegularExpression(QStringLiteral("^\\d\\d\\.\\d\\d\\.\\d{4}"))))
        << file.value(2).toStdString();
    for (const QString& cell :
         {file.value(1), file.value(2), rows[QStringLiteral("sub")].value(1)}) {
        EXPECT_FALSE(cell.contains(QRegularExpression(QStringLiteral("[A-Za-z]"))))
            << cell.toStdString();
    }
}

TEST(QtTranslation, ContextMenuOfATextFieldIsRussian) {
    ASSERT_TRUE(LoadQtTranslation(*QCoreApplication::instance()))
        << "Qt's Russian translation (qt6-translations-l10n) is missing";
    QLineEdit field(QStringLiteral("text"));
    const std::unique_ptr<QMenu> menu(field.createStandardContextMenu());
    test::SaveSnapshot(*menu, QStringLiteral("text_field_context_menu"));
    QStringList texts;
    for (const QAction* action : menu->actions()) {
        if (!action->isSeparator()) {
            texts << action->text();
        }
    }
    // The translation goes again: other tests expect Qt's own texts.
    for (QTranslator* translator : QCoreApplication::instance()->findChildren<QTranslator*>()) {
        QCoreApplication::removeTranslator(translator);
        delete translator;
    }
    ASSERT_FALSE(texts.isEmpty());
    for (const QString& text : texts) {
        EXPECT_TRUE(text.contains(QRegularExpression(QStringLiteral("[а-яА-Я]"))))
            << text.toStdString();
    }
    EXPECT_EQ(QCoreApplication::translate("QLineEdit", "&Undo"), QStringLiteral("&Undo"));
}

} // namespace
} // namespace vantrel
