#include "ui/parts/QtText.h"

#include <QLabel>

#include "common/AnsiText.h"

#include <QFile>

#include <cstdio>

QString AnsiToQt(const std::string& ansi)
{
    return QString::fromStdString(AnsiToUtf8(ansi));
}

std::optional<std::string> QtToAnsi(const QString& text, std::string* refusal)
{
    std::string ansi;
    char32_t bad = 0;
    if (Utf8ToAnsi(text.toStdString(), ansi, &bad))
        return ansi;
    if (refusal) {
        // The message is model text itself, so the character is named by
        // its code rather than shown.
        char code[16];
        std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(bad));
        *refusal = "The character " + std::string(code) +
                   " cannot be stored in the project, whose texts are Windows-1252. It was not accepted.";
    }
    return std::nullopt;
}

std::string HostPathFromQt(const QString& path)
{
    return QFile::encodeName(path).toStdString();
}

QString HostPathToQt(const std::string& path)
{
    return QFile::decodeName(QByteArray::fromStdString(path));
}

QLabel* NewBuddyLabel(const QString& text, QWidget* buddy, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setBuddy(buddy);
    // Buttons name themselves by their own text.
    if (buddy && buddy->accessibleName().isEmpty() && !buddy->inherits("QAbstractButton"))
        buddy->setAccessibleName(QString(text).remove(QLatin1Char('&')));
    return label;
}
