// The program's icon and Qt's own texts in Russian.
#include "forms/desktop.h"
#include "support/qt_test_support.h"

#include <QAction>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QRegularExpression>
#include <QTranslator>

#include <gtest/gtest.h>

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
