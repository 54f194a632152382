#include "forms/about.h"
#include "forms/site.h"
#include "product_config.h"
#include "support/qt_test_support.h"

#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <vector>

namespace vantrel {
namespace {

constexpr std::uint64_t kMB = 1048576;

// Catches what would be handed to the desktop while a test runs.
class CapturedAddresses {
public:
    CapturedAddresses()
        : previous_(SetAddressOpener([this](const QUrl& url) {
              urls.push_back(url);
              return true;
          })) {}
    ~CapturedAddresses() { SetAddressOpener(std::move(previous_)); }
    std::vector<QUrl> urls;

private:
    AddressOpener previous_;
};

QLabel* label(TfmAbout& dialog, const char* name) {
    auto* found = dialog.findChild<QLabel*>(QString::fromLatin1(name));
    EXPECT_NE(found, nullptr) << name;
    return found;
}

TEST(AboutDialog, VersionLabelComesFromTheBuild) {
    EXPECT_EQ(VersionLabelText(1, 0, 0, 7), QStringLiteral("ver. 1.0.0.7"));
    EXPECT_EQ(VersionLabelText(12, 3, 45, 678), QStringLiteral("ver. 12.3.45.678"));
    TfmAbout dialog;
    EXPECT_EQ(label(dialog, "lbVersion")->text(),
              QStringLiteral("ver. ") + QString::fromUtf8(product::kVersion));
    EXPECT_EQ(label(dialog, "lbVersion")->text(), QStringLiteral("ver. 1.0.0.7"));
}

TEST(AboutDialog, FixedTextsAndHints) {
    TfmAbout dialog;
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("О проекте"));
    EXPECT_EQ(label(dialog, "lbNameProjekt")->text(), QStringLiteral("Vantrel Lite"));
    EXPECT_EQ(label(dialog, "lbYear")->text(), QStringLiteral("2002"));
    EXPECT_EQ(label(dialog, "lbSoAuthor")->text(), QString::fromUtf8(product::kCreditLine));
    // The credit is one line of the dialog, never wrapped.
    dialog.show();
    QLabel* credit = label(dialog, "lbSoAuthor");
    EXPECT_LE(credit->fontMetrics().horizontalAdvance(credit->text()),
              credit->contentsRect().width());
    EXPECT_LE(credit->height(), credit->fontMetrics().height() + 2);
    const QString mail = QString::fromUtf8(product::kMailAddress);
    EXPECT_EQ(label(dialog, "lbEMail")->text(), mail);
    EXPECT_EQ(label(dialog, "lbEMail")->toolTip(), QStringLiteral("maito: ") + mail);
    EXPECT_EQ(label(dialog, "lbURL")->text(), QString::fromUtf8(product::kSiteUrl));
    EXPECT_EQ(label(dialog, "lbURL")->toolTip(), QString::fromUtf8(product::kSiteUrl));
    EXPECT_TRUE(label(dialog, "lbURL")->font().underline());
    EXPECT_EQ(label(dialog, "lbURL")->cursor().shape(), Qt::PointingHandCursor);
    // OK is the only control that takes the focus.
    std::vector<QString> focusable;
    for (QWidget* child : dialog.findChildren<QWidget*>()) {
        if (child->focusPolicy() != Qt::NoFocus) {
            focusable.push_back(child->objectName());
        }
    }
    EXPECT_EQ(focusable, std::vector<QString>{QStringLiteral("btOK")});
}

TEST(AboutDialog, MemoryFiguresAreRefreshedOnShowAndOnActivationChanges) {
    TfmAbout dialog;
    // Created with this machine's figures.
    EXPECT_TRUE(label(dialog, "lbPhMemory")
                    ->text()
                    .startsWith(QStringLiteral("Всего физической памяти -  ")));
    EXPECT_TRUE(
        label(dialog, "lbMemLoad")->text().startsWith(QStringLiteral("Память используется на ")));

    MemoryStatus status{255 * kMB + kMB * 6 / 10, 42};
    dialog.setMemorySource([&] { return status; });
    dialog.setConnectionCheck([] { return false; });
    dialog.show();
    EXPECT_EQ(label(dialog, "lbPhMemory")->text(),
              QStringLiteral("Всего физической памяти -  257 MB"));
    EXPECT_EQ(label(dialog, "lbMemLoad")->text(), QStringLiteral("Память используется на 42 %"));

    status = {511 * kMB, 7};
    QEvent activation(QEvent::ActivationChange);
    QApplication::sendEvent(&dialog, &activation);
    EXPECT_EQ(label(dialog, "lbPhMemory")->text(),
              QStringLiteral("Всего физической памяти -  512 MB"));
    EXPECT_EQ(label(dialog, "lbMemLoad")->text(), QStringLiteral("Память используется на 7 %"));
}

TEST(AboutDialog, TotalIsGroupedByTheLocale) {
    const QLocale previous;
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    {
        TfmAbout dialog;
        dialog.setMemorySource([] { return MemoryStatus{24105 * kMB + kMB / 4, 3}; });
        dialog.ShowMemoryStatus();
        EXPECT_EQ(label(dialog, "lbPhMemory")->text(),
                  QStringLiteral("Всего физической памяти -  24") + QLocale().groupSeparator() +
                      QStringLiteral("106 MB"));
        EXPECT_NE(QLocale().groupSeparator(), QStringLiteral(","));
    }
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    {
        TfmAbout dialog;
        dialog.setMemorySource([] { return MemoryStatus{1234566 * kMB, 3}; });
        dialog.ShowMemoryStatus();
        EXPECT_EQ(label(dialog, "lbPhMemory")->text(),
                  QStringLiteral("Всего физической памяти -  1,234,567 MB"));
    }
    QLocale::setDefault(previous);
}

TEST(AboutDialog, WebLinkFollowsTheConnectionAndOpensTheSite) {
    CapturedAddresses addresses;
    {
        TfmAbout offline;
        offline.setConnectionCheck([] { return false; });
        offline.show();
        QLabel* url = label(offline, "lbURL");
        EXPECT_FALSE(url->isEnabled());
        QTest::mouseClick(url, Qt::LeftButton);
        EXPECT_TRUE(addresses.urls.empty());
    }
    TfmAbout online;
    online.setConnectionCheck([] { return true; });
    online.show();
    QLabel* url = label(online, "lbURL");
    EXPECT_TRUE(url->isEnabled());
    QTest::mouseClick(url, Qt::LeftButton);
    ASSERT_EQ(addresses.urls.size(), 1u);
    EXPECT_EQ(addresses.urls[0], QUrl(QString::fromUtf8(product::kSiteUrl)));
    test::SaveSnapshot(online, QStringLiteral("about_dialog"));
}

TEST(AboutDialog, MailLinkOpensAMessageToTheDeveloper) {
    CapturedAddresses addresses;
    TfmAbout dialog;
    dialog.show();
    QTest::mouseClick(label(dialog, "lbEMail"), Qt::LeftButton);
    ASSERT_EQ(addresses.urls.size(), 1u);
    const QUrl& url = addresses.urls[0];
    EXPECT_EQ(url.scheme(), QStringLiteral("mailto"));
    EXPECT_EQ(url.query(), QStringLiteral("subject=VTR"));
    EXPECT_EQ(QUrl::fromPercentEncoding(url.toEncoded()),
              QString::fromStdString(MailtoAddress(product::kMailName, product::kMailAddress)));
}

TEST(SiteAddress, MailtoTextAndSiteCommand) {
    EXPECT_EQ(MailtoAddress("Vantrel Lite support", "support@vantrel.example.org"),
              "mailto:\"Vantrel Lite support\" <support@vantrel.example.org>?subject=VTR");
    EXPECT_EQ(MailtoAddress("", "a@b"), "mailto:\"\" <a@b>?subject=VTR");

    CapturedAddresses addresses;
    OpenSiteAddress();
    OpenMailAddress();
    ASSERT_EQ(addresses.urls.size(), 2u);
    EXPECT_EQ(addresses.urls[0].toString(), QString::fromUtf8(product::kSiteUrl));
    EXPECT_EQ(addresses.urls[1].path(QUrl::FullyDecoded),
              QStringLiteral("\"") + QString::fromUtf8(product::kMailName) +
                  QStringLiteral("\" <") + QString::fromUtf8(product::kMailAddress) +
                  QStringLiteral(">"));
}

} // namespace
} // namespace vantrel
