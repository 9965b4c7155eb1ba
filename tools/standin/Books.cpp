#include "Books.h"

#include <QFile>
#include <QJsonDocument>

#include <stdexcept>

namespace standin {

Books Books::load(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error("cannot open books file " + path.toStdString());
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(file.readAll(), &error);
    if (!doc.isObject())
        throw std::runtime_error("books file " + path.toStdString() +
                                 " is not a JSON object: " + error.errorString().toStdString());
    return fromJson(doc.object());
}

Books Books::fromJson(const QJsonObject& root)
{
    Books books;
    books.m_root = root;
    return books;
}

std::optional<QString> Books::answer(const QString& item) const
{
    const QJsonObject items = m_root.value(QStringLiteral("items")).toObject();
    if (items.contains(item))
        return items.value(item).toString();
    if (item == QStringLiteral("РДАТА"))
        return m_root.value(QStringLiteral("date")).toString(QStringLiteral("01102008   "));
    return std::nullopt;
}

} // namespace standin
