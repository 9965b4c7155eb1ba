#include "Books.h"

#include "Evaluator.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QStringList>

#include <cmath>
#include <stdexcept>

namespace standin {

namespace {

[[noreturn]] void fail(const QString& message)
{
    throw std::runtime_error(message.toStdString());
}

// A whole number stored as a JSON number, within the range the expressions can name.
std::optional<qint64> wholeNumber(const QJsonValue& v)
{
    if (!v.isDouble())
        return std::nullopt;
    const double d = v.toDouble();
    if (!std::isfinite(d) || d != std::floor(d) || std::fabs(d) > 999999999.0)
        return std::nullopt;
    return static_cast<qint64>(d);
}

std::optional<qint64> numberKey(const QString& key)
{
    bool ok = false;
    const qint64 n = key.toLongLong(&ok);
    if (!ok || n < 0 || QString::number(n) != key)
        return std::nullopt;
    return n;
}

std::optional<QDate> isoDate(const QString& text)
{
    static const QRegularExpression shape(QStringLiteral("^[0-9]{4}-[0-9]{2}-[0-9]{2}$"));
    if (!shape.match(text).hasMatch())
        return std::nullopt;
    const QDate d = QDate::fromString(text, Qt::ISODate);
    if (!d.isValid() || d.year() < 1)
        return std::nullopt;
    return d;
}

Value attributeValue(const QJsonValue& v, const QString& where)
{
    if (v.isNull())
        return Value::ofText({});
    if (v.isString()) {
        const QString text = v.toString();
        if (const auto d = isoDate(text))
            return Value::ofDate(*d);
        return Value::ofText(text);
    }
    if (v.isDouble()) {
        const double d = v.toDouble();
        if (d == std::floor(d))
            return Value::whole(d);
        return Value::amount(d);
    }
    fail(QStringLiteral("%1: an attribute holds a string, a number or null").arg(where));
}

bool coversAccount(const QString& asked, const QString& posted)
{
    return asked.isEmpty() || posted == asked ||
           (posted.startsWith(asked) && posted.at(asked.size()) == u'.');
}

} // namespace

Books Books::load(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        fail(QStringLiteral("cannot open books file %1: %2").arg(path, file.errorString()));
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(file.readAll(), &error);
    if (!doc.isObject())
        fail(QStringLiteral("books file %1 is not a JSON object: %2")
                 .arg(path, error.error == QJsonParseError::NoError
                                ? QStringLiteral("another JSON value")
                                : error.errorString() + QStringLiteral(" at offset ") +
                                      QString::number(error.offset)));
    try {
        return fromJson(doc.object());
    } catch (const std::runtime_error& e) {
        fail(QStringLiteral("books file %1: %2").arg(path, QString::fromStdString(e.what())));
    }
}

Books Books::fromJson(const QJsonObject& root)
{
    Books books;

    const QJsonValue items = root.value(QStringLiteral("items"));
    if (!items.isUndefined() && !items.isObject())
        fail(QStringLiteral("\"items\" is an object of item -> answer"));
    const QJsonObject itemTable = items.toObject();
    for (auto it = itemTable.begin(); it != itemTable.end(); ++it) {
        const QJsonValue v = it.value();
        if (v.isString())
            books.m_items.insert(it.key(), v.toString());
        else if (v.isDouble())
            books.m_items.insert(it.key(), attributeValue(v, it.key()).answer());
        else if (v.isNull())
            books.m_items.insert(it.key(), std::nullopt);
        else
            fail(QStringLiteral("item \"%1\": the answer is a string, a number or null")
                     .arg(it.key()));
    }

    const QJsonValue date = root.value(QStringLiteral("date"));
    if (date.isUndefined())
        books.m_reportingDate = Value::ofText(QStringLiteral("01102008   "));
    else if (!date.isString())
        fail(QStringLiteral("\"date\" is a text"));
    else if (const auto d = isoDate(date.toString()))
        books.m_reportingDate = Value::ofDate(*d);
    else
        books.m_reportingDate = Value::ofText(date.toString());

    QStringList employeeAccounts{QStringLiteral("70.01")};
    const QJsonValue accounts = root.value(QStringLiteral("employeeAccounts"));
    if (!accounts.isUndefined()) {
        if (!accounts.isArray())
            fail(QStringLiteral("\"employeeAccounts\" is a list of account codes"));
        employeeAccounts.clear();
        for (const QJsonValue a : accounts.toArray()) {
            if (!a.isString() || a.toString().isEmpty())
                fail(QStringLiteral("\"employeeAccounts\" is a list of account codes"));
            employeeAccounts << a.toString();
        }
    }
    const auto isEmployeeAccount = [&](const QString& account) {
        for (const QString& a : employeeAccounts)
            if (coversAccount(a, account))
                return true;
        return false;
    };

    const QJsonValue employees = root.value(QStringLiteral("employees"));
    if (!employees.isUndefined() && !employees.isArray())
        fail(QStringLiteral("\"employees\" is a list"));
    const QJsonArray employeeList = employees.toArray();
    for (qsizetype i = 0; i < employeeList.size(); ++i) {
        const QString where = QStringLiteral("employee %1 in the list").arg(i + 1);
        const QJsonObject e = employeeList.at(i).toObject();
        const auto number = wholeNumber(e.value(QStringLiteral("number")));
        if (!number)
            fail(where + QStringLiteral(": \"number\" is a whole number"));
        if (books.m_employees.contains(*number))
            fail(QStringLiteral("employee number %1 is given twice").arg(*number));
        const QJsonValue attributes = e.value(QStringLiteral("attributes"));
        if (!attributes.isUndefined() && !attributes.isObject())
            fail(where + QStringLiteral(": \"attributes\" is an object"));
        QHash<qint64, Value> values;
        const QJsonObject table = attributes.toObject();
        for (auto it = table.begin(); it != table.end(); ++it) {
            const auto key = numberKey(it.key());
            if (!key)
                fail(QStringLiteral("employee %1: attribute \"%2\" is not an attribute number")
                         .arg(*number)
                         .arg(it.key()));
            values.insert(*key, attributeValue(it.value(), where));
        }
        books.m_employees.insert(*number, values);
    }

    const QJsonValue postings = root.value(QStringLiteral("postings"));
    if (!postings.isUndefined() && !postings.isArray())
        fail(QStringLiteral("\"postings\" is a list"));
    const QJsonArray postingList = postings.toArray();
    for (qsizetype i = 0; i < postingList.size(); ++i) {
        const QString where = QStringLiteral("posting %1").arg(i + 1);
        const QJsonObject p = postingList.at(i).toObject();
        Posting posting;
        posting.debit = p.value(QStringLiteral("debit")).toString();
        posting.credit = p.value(QStringLiteral("credit")).toString();
        if (posting.debit.isEmpty() || posting.credit.isEmpty())
            fail(where + QStringLiteral(": \"debit\" and \"credit\" are account codes"));
        const QJsonValue amount = p.value(QStringLiteral("amount"));
        const double a = amount.toDouble();
        if (!amount.isDouble() || !std::isfinite(a) || std::fabs(a) > 1e12)
            fail(where + QStringLiteral(": \"amount\" is a number"));
        const double kopecks = std::round(a * 100);
        if (std::fabs(a * 100 - kopecks) > 1e-6 * std::max(1.0, std::fabs(kopecks)))
            fail(where + QStringLiteral(": the amount has more than two decimals"));
        posting.kopecks = static_cast<qint64>(kopecks);
        const QJsonValue date = p.value(QStringLiteral("date"));
        if (!date.isUndefined() && !isoDate(date.toString()))
            fail(where + QStringLiteral(": \"date\" is a date YYYY-MM-DD"));
        const QJsonValue employee = p.value(QStringLiteral("employee"));
        if (!employee.isUndefined()) {
            const auto number = wholeNumber(employee);
            if (!number || !books.m_employees.contains(*number))
                fail(where + QStringLiteral(": \"employee\" names no employee of the books"));
            if (isEmployeeAccount(posting.debit))
                posting.debitEmployee = number;
            if (isEmployeeAccount(posting.credit))
                posting.creditEmployee = number;
            // An employee on neither side would silently drop out of every turnover asked for
            // that employee.
            if (!posting.debitEmployee && !posting.creditEmployee)
                fail(where + QStringLiteral(": the employee belongs to neither account"));
        }
        books.m_postings << posting;
    }
    return books;
}

std::optional<Value> Books::attribute(qint64 employee, qint64 attribute) const
{
    const auto e = m_employees.constFind(employee);
    if (e == m_employees.constEnd())
        return std::nullopt;
    const auto a = e->constFind(attribute);
    if (a == e->constEnd())
        return std::nullopt;
    return *a;
}

qint64 Books::turnover(const Side& debit, const Side& credit) const
{
    qint64 sum = 0;
    for (const Posting& p : m_postings) {
        if (!coversAccount(debit.account, p.debit) || !coversAccount(credit.account, p.credit))
            continue;
        if (debit.employee && p.debitEmployee != debit.employee)
            continue;
        if (credit.employee && p.creditEmployee != credit.employee)
            continue;
        sum += p.kopecks;
    }
    return sum;
}

std::optional<QString> Books::answer(const QString& item) const
{
    const auto literal = m_items.constFind(item);
    if (literal != m_items.constEnd())
        return *literal;
    return Evaluator(*this).answer(item);
}

} // namespace standin
