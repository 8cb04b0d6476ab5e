#include "app/QtText.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTextCodec>

#include "bytes/Cp1251.h"

namespace stratex {

namespace {

QTextCodec* Cp1251Codec() {
    static QTextCodec* const codec = QTextCodec::codecForName("Windows-1251");
    return codec;
}

}  // namespace

QString DecodeCp1251(std::string_view bytes) {
    if (QTextCodec* codec = Cp1251Codec()) {
        return codec->toUnicode(bytes.data(), static_cast<int>(bytes.size()));
    }
    // Without the codec (a Qt built without it) the engine's own table does the same job.
    return QString::fromStdString(Cp1251ToUtf8(bytes));
}

std::string EncodeCp1251(const QString& text) {
    if (QTextCodec* codec = Cp1251Codec()) {
        const QByteArray bytes = codec->fromUnicode(text);
        return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    }
    return Utf8ToCp1251(text.toStdString());
}

std::filesystem::path ToFsPath(const QString& path) {
#ifdef _WIN32
    return std::filesystem::path(path.toStdWString());
#else
    const QByteArray bytes = QFile::encodeName(path);
    return std::filesystem::path(std::string(bytes.constData(), static_cast<std::size_t>(bytes.size())));
#endif
}

QString CutBeforeFirstDot(const QString& fileName) {
    const qsizetype dot = fileName.indexOf(QLatin1Char('.'));
    return dot < 0 ? fileName : fileName.left(dot);
}

QString FolderOf(const QString& path) { return QDir::toNativeSeparators(QFileInfo(path).absolutePath()); }

QString ToQString(const std::filesystem::path& path) {
    return QDir::toNativeSeparators(QString::fromStdU16String(path.u16string()));
}

}  // namespace stratex
