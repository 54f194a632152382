#include "forms/desktop.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QIdentityProxyModel>
#include <QLibraryInfo>
#include <QLocale>
#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>
#include <QTranslator>

// The icon's resource lives in a static library: nothing else would pull it in.
static void initProgramIconResource() {
    Q_INIT_RESOURCE(program_icon);
}

namespace vantrel {

QIcon ProgramIcon() {
    initProgramIconResource();
    QSvgRenderer renderer(QStringLiteral(":/vantrel/program.svg"));
    QIcon icon;
    for (const int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        renderer.render(&painter);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

namespace {

const QLocale kRussian(QLocale::Russian, QLocale::Russia);

// Qt asks for the file type names ("Folder", "Unknown") under a newer context
// than the one its translation files still keep them under: the file dialog's.
class QtRussianTranslator : public QTranslator {
public:
    using QTranslator::QTranslator;
    QString translate(const char* context, const char* source, const char* disambiguation,
                      int n) const override {
        QString text = QTranslator::translate(context, source, disambiguation, n);
        if (text.isEmpty() && qstrcmp(context, "QAbstractFileIconProvider") == 0) {
            text = QTranslator::translate("QFileDialog", source, disambiguation, n);
        }
        return text;
    }
};

// The file list's size and date columns by the default locale.
class FileDetailsByDefaultLocale : public QIdentityProxyModel {
public:
    using QIdentityProxyModel::QIdentityProxyModel;
    QVariant data(const QModelIndex& index, int role) const override {
        const auto* files = qobject_cast<const QFileSystemModel*>(sourceModel());
        if (files == nullptr || role != Qt::DisplayRole) {
            return QIdentityProxyModel::data(index, role);
        }
        const QModelIndex file = mapToSource(index);
        if (index.column() == kSizeColumn && !files->isDir(file)) {
            return QLocale().formattedDataSize(files->size(file));
        }
        if (index.column() == kDateColumn) {
            return QLocale().toString(files->lastModified(file), QLocale::ShortFormat);
        }
        return QIdentityProxyModel::data(index, role);
    }

private:
    static constexpr int kSizeColumn = 1;
    static constexpr int kDateColumn = 3;
};

} // namespace

void UseRussianLocale() {
    QLocale::setDefault(kRussian);
}

void ShowFileDetailsByDefaultLocale(QFileDialog& dialog) {
    dialog.setProxyModel(new FileDetailsByDefaultLocale(&dialog));
}

bool LoadQtTranslation(QCoreApplication& application) {
    auto* translator = new QtRussianTranslator(&application);
    if (!translator->load(kRussian, QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    return QCoreApplication::installTranslator(translator);
}

} // namespace vantrel
