#include "dialogs/hotkey_text_check.h"

#include "base/cp1252.h"

#include <QStringList>

namespace tonvarra::dialogs {

std::optional<QString> HotkeyTextRefusal(const QString& fieldName, const QString& text) {
    if (text.contains(QLatin1Char('\r')) || text.contains(QLatin1Char('\n')))
        return QStringLiteral("%1 must not contain a line break.").arg(fieldName);
    // A hotkey file is read only up to its first NUL, so one would cut off every later hotkey.
    if (text.contains(QChar(0)))
        return QStringLiteral("%1 must not contain a NUL character.").arg(fieldName);
    // The hotkey file separates its fields with these and has no escape.
    static const QStringList separators = {QStringLiteral("#ü#ö#"), QStringLiteral("#L#L#"),
                                           QStringLiteral("#?#$#"), QStringLiteral("#0#Ä#")};
    for (const QString& separator : separators) {
        if (text.contains(separator))
            return QStringLiteral(
                       "%1 must not contain \"%2\": the hotkey file uses it to separate its fields.")
                .arg(fieldName, separator);
    }
    if (!Utf8ToCp1252(text.toStdString()))
        return QStringLiteral("%1 holds a character that the hotkey file cannot store (only Windows-1252 "
                              "characters can be stored).")
            .arg(fieldName);
    return std::nullopt;
}

} // namespace tonvarra::dialogs
