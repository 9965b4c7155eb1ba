#include "settings/UploadPath.h"

#include <QDir>

#ifdef _WIN32
#include <windows.h>
#endif

namespace settings {

namespace {

bool namesDrive(const QString& destination)
{
    return destination.size() >= 2 && destination[1] == u':' && destination[0].isLetter() &&
           destination[0].unicode() < 0x80;
}

bool endsWithSeparator(const QString& destination)
{
#ifdef _WIN32
    return destination.endsWith(u'\\') || destination.endsWith(u'/') ||
           (destination.size() == 2 && namesDrive(destination));
#else
    return destination.endsWith(u'/');
#endif
}

} // namespace

bool namesMissingDrive(const QString& destination)
{
    if (!namesDrive(destination))
        return false;
#ifdef _WIN32
    const int letter = destination[0].toUpper().unicode() - 'A';
    return (GetLogicalDrives() & (1u << letter)) == 0;
#else
    return true;
#endif
}

QString withHomeFolder(const QString& destination)
{
#ifdef _WIN32
    return destination;
#else
    if (destination == u'~' || destination.startsWith(QStringLiteral("~/")))
        return QDir::homePath() + destination.mid(1);
    return destination;
#endif
}

QString uploadTarget(const QString& destination, const QString& fileName)
{
    if (namesMissingDrive(destination))
        return destination + fileName;
    return QDir::toNativeSeparators(
        QDir::current().absoluteFilePath(withHomeFolder(destination) + fileName));
}

QString destinationProblem(const QString& destination)
{
    if (namesMissingDrive(destination)) {
#ifdef _WIN32
        return QStringLiteral("Диска %1 на цьому комп'ютері немає.").arg(destination.left(2));
#else
        return QStringLiteral("«%1» — диск Windows, а в цій системі дисків з літерами немає: "
                              "вкажіть папку носія зі знаком «/» у кінці, наприклад "
                              "/media/usb/.")
            .arg(destination.left(2));
#endif
    }
    if (destination.isEmpty() || endsWithSeparator(destination))
        return {};
    return QStringLiteral("Шлях не закінчується знаком «%1»: ім'я файла буде дописано до "
                          "останньої назви, і файл ляже не в цю папку, а поруч із нею.")
        .arg(QDir::separator());
}

} // namespace settings
