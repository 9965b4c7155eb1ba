#pragma once

#include <QJsonObject>
#include <QString>

#include <optional>

namespace standin {

// The accounting program's books as the stand-in knows them, and its answers to item names.
class Books
{
public:
    // Throws std::runtime_error with a readable message when the file cannot be read.
    static Books load(const QString& path);
    static Books fromJson(const QJsonObject& root);

    // The answer to one item name, or nothing when the accounting program would refuse it.
    std::optional<QString> answer(const QString& item) const;

private:
    QJsonObject m_root;
};

} // namespace standin
