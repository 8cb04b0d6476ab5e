#include "app/Settings.h"

#include <QSettings>
#include <QStringList>
#include <optional>

#include "bytes/Error.h"

namespace stratex {

namespace {

const QString kUseDictionary = QStringLiteral("UseDictionary");
const QString kLastDir = QStringLiteral("LastDir");
const QString kLanguage = QStringLiteral("Language");
const QString kWindowBounds = QStringLiteral("WindowBounds");

// The registry keeps value types; the INI store keeps text only, where an integer is its decimal text.
#ifdef _WIN32
constexpr bool kTypedStore = true;
#else
constexpr bool kTypedStore = false;
#endif

std::unique_ptr<QSettings> OpenStore() {
#ifdef _WIN32
    auto store =
        std::make_unique<QSettings>(QStringLiteral("HKEY_CURRENT_USER\\Software\\Stratex"), QSettings::NativeFormat);
#else
    auto store = std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Stratex"),
                                             QStringLiteral("Stratex"));
    store->beginGroup(QStringLiteral("Software/Stratex"));
#endif
    return store;
}

[[noreturn]] void ThrowInvalidType(const QString& name) {
    throw Error("Invalid data type for '" + name.toStdString() + "'");
}

// The value as a 32-bit integer, or nothing when it is of another type.
std::optional<qint64> AsInteger(const QVariant& value) {
    switch (value.typeId()) {
        case QMetaType::Int:
        case QMetaType::UInt:
            return value.toLongLong();
        case QMetaType::QString:
            if (!kTypedStore) {
                bool ok = false;
                const int number = value.toString().trimmed().toInt(&ok);
                if (ok) return number;
            }
            return std::nullopt;
        default:
            return std::nullopt;
    }
}

}  // namespace

Settings::Settings() = default;
Settings::~Settings() = default;

bool Settings::Open() {
    auto store = OpenStore();
    // Writable means the key exists with write access or could be created (the INI file's folder too).
    if (store->status() != QSettings::NoError || !store->isWritable()) return false;
    settings_ = std::move(store);
    return true;
}

bool Settings::ReadUseDictionary() const {
    if (!settings_ || !settings_->contains(kUseDictionary)) return false;
    const std::optional<qint64> number = AsInteger(settings_->value(kUseDictionary));
    if (!number) ThrowInvalidType(kUseDictionary);
    return *number != 0;
}

QString Settings::ReadLastDir() const {
    if (!settings_ || !settings_->contains(kLastDir)) return {};
    const QVariant value = settings_->value(kLastDir);
    if (value.typeId() != QMetaType::QString) ThrowInvalidType(kLastDir);
    return value.toString();
}

QString Settings::ReadLanguage() const {
    if (!settings_) return {};
    const QVariant value = settings_->value(kLanguage);
    return value.typeId() == QMetaType::QString ? value.toString() : QString();
}

std::optional<QRect> Settings::ReadWindowBounds() const {
    if (!settings_) return std::nullopt;
    const QVariant value = settings_->value(kWindowBounds);
    if (value.typeId() != QMetaType::QString) return std::nullopt;
    const QStringList parts = value.toString().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (parts.size() != 4) return std::nullopt;
    int numbers[4] = {};
    for (int i = 0; i < 4; ++i) {
        bool ok = false;
        numbers[i] = parts[i].toInt(&ok);
        if (!ok) return std::nullopt;
    }
    if (numbers[2] <= 0 || numbers[3] <= 0) return std::nullopt;
    return QRect(numbers[0], numbers[1], numbers[2], numbers[3]);
}

void Settings::WriteUseDictionary(bool on) { Write(kUseDictionary, on ? 1 : 0); }

void Settings::WriteLastDir(const QString& folder) { Write(kLastDir, folder); }

void Settings::WriteLanguage(const QString& code) { Write(kLanguage, code); }

void Settings::WriteWindowBounds(const QRect& bounds) {
    // One text keeps the four together, and reads back alike from the registry and the INI file, negative
    // coordinates (a screen left of the primary one) included.
    Write(kWindowBounds,
          QStringLiteral("%1 %2 %3 %4").arg(bounds.left()).arg(bounds.top()).arg(bounds.width()).arg(bounds.height()));
}

void Settings::Write(const QString& name, const QVariant& value) {
    const auto fail = [&name]() { throw Error("Failed to set data for '" + name.toStdString() + "'"); };
    if (!settings_) fail();
    settings_->setValue(name, value);
    // The store is written at once, so that a refused write is reported by the operation that made it.
    settings_->sync();
    if (settings_->status() != QSettings::NoError) fail();
}

}  // namespace stratex
