#pragma once

#include <QRect>
#include <QString>
#include <memory>
#include <optional>

class QSettings;

namespace stratex {

// The per-user settings key "\Software\Stratex" with its values "UseDictionary" (32-bit integer, 1 or 0) and
// "LastDir" (string), and the window's own "Language" ("ru", "en", or empty to follow the system) and
// "WindowBounds" (string "left top width height": the frame's top-left corner and the client size). On
// Windows the key lives in the registry under HKEY_CURRENT_USER; elsewhere in QSettings' per-user INI store
// (organisation and application "Stratex"), in the group "Software/Stratex", where an integer is kept as
// its decimal text.
class Settings {
public:
    Settings();
    ~Settings();
    Settings(const Settings&) = delete;
    Settings& operator=(const Settings&) = delete;

    // Opens the key, creating it when it does not exist. False when it can be neither opened nor created:
    // the window then starts without settings, and every later write fails.
    bool Open();
    bool isOpen() const { return settings_ != nullptr; }

    // "UseDictionary" as a boolean (non-zero is true); false when the value does not exist. Throws
    // Error("Invalid data type for 'UseDictionary'") when it holds something other than a 32-bit integer.
    bool ReadUseDictionary() const;
    // "LastDir"; empty when the value does not exist. Throws Error("Invalid data type for 'LastDir'") when
    // it holds something other than a string.
    QString ReadLastDir() const;
    // "Language" and "WindowBounds"; empty and none when the value does not exist or is no such text (the
    // window then follows the system and opens at its default place).
    QString ReadLanguage() const;
    std::optional<QRect> ReadWindowBounds() const;

    // Write the values. Throw Error("Failed to set data for '<name>'") when the key is not open or the
    // store refuses the write.
    void WriteUseDictionary(bool on);
    void WriteLastDir(const QString& folder);
    void WriteLanguage(const QString& code);
    void WriteWindowBounds(const QRect& bounds);

private:
    void Write(const QString& name, const QVariant& value);

    std::unique_ptr<QSettings> settings_;
};

}  // namespace stratex
