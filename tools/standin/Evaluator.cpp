#include "Evaluator.h"

#include "Books.h"

#include <cmath>

namespace standin {

namespace {

// Thrown inside the parser for everything that makes the accounting program refuse an item.
struct Refused
{
};

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// A text that is a plain decimal number ("12", "-3.5") takes part in comparisons and
// arithmetic as that number.
std::optional<double> numberOf(const Value& v)
{
    if (v.isNumber())
        return v.number;
    if (v.kind != Value::Kind::Text)
        return std::nullopt;
    const QString t = v.text.trimmed();
    qsizetype i = 0;
    if (i < t.size() && (t[i] == u'-' || t[i] == u'+'))
        ++i;
    const qsizetype digitsFrom = i;
    while (i < t.size() && isDigit(t[i]))
        ++i;
    if (i == digitsFrom)
        return std::nullopt;
    if (i < t.size() && t[i] == u'.') {
        ++i;
        const qsizetype fractionFrom = i;
        while (i < t.size() && isDigit(t[i]))
            ++i;
        if (i == fractionFrom)
            return std::nullopt;
    }
    if (i != t.size())
        return std::nullopt;
    const double d = t.toDouble();
    if (!std::isfinite(d))
        return std::nullopt;
    return d;
}

bool truth(const Value& v)
{
    switch (v.kind) {
    case Value::Kind::Whole:
    case Value::Kind::Amount:
        return v.number != 0;
    case Value::Kind::Text:
        if (const auto n = numberOf(v))
            return *n != 0;
        return !v.text.isEmpty();
    case Value::Kind::Date:
        return v.date.isValid();
    }
    return false;
}

Value logical(bool b)
{
    return Value::whole(b ? 1 : 0);
}

// A number computed from numbers: an amount as soon as an amount or a fraction is involved.
Value numeric(double n, bool amount)
{
    if (!std::isfinite(n))
        throw Refused{};
    return amount || n != std::floor(n) ? Value::amount(n) : Value::whole(n);
}

bool isAmount(const Value& v, double n)
{
    return v.kind == Value::Kind::Amount || n != std::floor(n);
}

class Parser
{
public:
    Parser(const Books& books, const QString& text) : m_books(books), m_text(text) {}

    Value parse()
    {
        Value v = expression(true);
        skipBlanks();
        if (m_pos != m_text.size())
            throw Refused{};
        return v;
    }

private:
    // Every path of recursion goes through one of these, so the depth of the native stack is
    // bounded by kMaxDepth whatever the input.
    struct Nest
    {
        explicit Nest(Parser& p) : parser(p)
        {
            if (parser.m_depth >= Evaluator::kMaxDepth)
                throw Refused{};
            ++parser.m_depth;
        }
        ~Nest() { --parser.m_depth; }
        Nest(const Nest&) = delete;
        Nest& operator=(const Nest&) = delete;
        Parser& parser;
    };

    void skipBlanks()
    {
        while (m_pos < m_text.size() && (m_text[m_pos] == u' ' || m_text[m_pos] == u'\t'))
            ++m_pos;
    }

    bool accept(QChar c)
    {
        skipBlanks();
        if (m_pos < m_text.size() && m_text[m_pos] == c) {
            ++m_pos;
            return true;
        }
        return false;
    }

    void expect(QChar c)
    {
        if (!accept(c))
            throw Refused{};
    }

    // The word (a run of letters) at the current position, as written, without consuming it.
    QString peekWord()
    {
        skipBlanks();
        qsizetype end = m_pos;
        while (end < m_text.size() && m_text[end].isLetter())
            ++end;
        return m_text.mid(m_pos, end - m_pos);
    }

    // Keywords are written in either case; the length moved over is the written one, since
    // upper-casing may change the length of some letters.
    bool acceptWord(const QString& keyword)
    {
        const QString word = peekWord();
        if (word.isEmpty() || word.toUpper() != keyword)
            return false;
        m_pos += word.size();
        return true;
    }

    Value expression(bool live)
    {
        Nest nest(*this);
        return disjunction(live);
    }

    Value disjunction(bool live)
    {
        Value left = conjunction(live);
        while (acceptWord(QStringLiteral("ИЛИ"))) {
            const bool leftTrue = live && truth(left);
            const Value right = conjunction(live && !leftTrue);
            if (live)
                left = logical(leftTrue || truth(right));
        }
        return left;
    }

    Value conjunction(bool live)
    {
        Value left = negation(live);
        while (acceptWord(QStringLiteral("И"))) {
            const bool leftTrue = live && truth(left);
            const Value right = negation(live && leftTrue);
            if (live)
                left = logical(leftTrue && truth(right));
        }
        return left;
    }

    Value negation(bool live)
    {
        if (acceptWord(QStringLiteral("НЕ"))) {
            Nest nest(*this);
            return logical(!truth(negation(live)));
        }
        return comparison(live);
    }

    enum class Compare
    {
        None,
        Equal,
        NotEqual,
        Less,
        Greater,
        LessOrEqual,
        GreaterOrEqual,
    };

    Compare comparisonOperator()
    {
        if (accept(u'='))
            return Compare::Equal;
        if (accept(u'<')) {
            if (accept(u'>'))
                return Compare::NotEqual;
            return accept(u'=') ? Compare::LessOrEqual : Compare::Less;
        }
        if (accept(u'>'))
            return accept(u'=') ? Compare::GreaterOrEqual : Compare::Greater;
        return Compare::None;
    }

    static int order(const Value& a, const Value& b)
    {
        const auto x = numberOf(a);
        const auto y = numberOf(b);
        if (x && y) {
            // Amounts are sums of kopecks in binary floating point: equal to the kopeck is
            // equal.
            const double scale = std::max({1.0, std::fabs(*x), std::fabs(*y)});
            if (std::fabs(*x - *y) <= 1e-9 * scale)
                return 0;
            return *x < *y ? -1 : 1;
        }
        if (a.kind == Value::Kind::Date && b.kind == Value::Kind::Date)
            return a.date == b.date ? 0 : (a.date < b.date ? -1 : 1);
        const int c = QString::compare(a.answer(), b.answer());
        return c == 0 ? 0 : (c < 0 ? -1 : 1);
    }

    Value comparison(bool live)
    {
        const Value left = sum(live);
        const Compare op = comparisonOperator();
        if (op == Compare::None)
            return left;
        const Value right = sum(live);
        if (!live)
            return left;
        const int c = order(left, right);
        switch (op) {
        case Compare::Equal:
            return logical(c == 0);
        case Compare::NotEqual:
            return logical(c != 0);
        case Compare::Less:
            return logical(c < 0);
        case Compare::Greater:
            return logical(c > 0);
        case Compare::LessOrEqual:
            return logical(c <= 0);
        case Compare::GreaterOrEqual:
            return logical(c >= 0);
        case Compare::None:
            break;
        }
        return left;
    }

    static std::pair<double, double> operands(const Value& a, const Value& b)
    {
        const auto x = numberOf(a);
        const auto y = numberOf(b);
        if (!x || !y)
            throw Refused{};
        return {*x, *y};
    }

    Value sum(bool live)
    {
        Value left = term(live);
        for (;;) {
            const bool plus = accept(u'+');
            if (!plus && !accept(u'-'))
                return left;
            const Value right = term(live);
            if (!live)
                continue;
            const auto [x, y] = operands(left, right);
            left = numeric(plus ? x + y : x - y, isAmount(left, x) || isAmount(right, y));
        }
    }

    Value term(bool live)
    {
        Value left = unary(live);
        for (;;) {
            const bool times = accept(u'*');
            if (!times && !accept(u'/'))
                return left;
            const Value right = unary(live);
            if (!live)
                continue;
            const auto [x, y] = operands(left, right);
            if (!times && y == 0)
                throw Refused{};
            left = numeric(times ? x * y : x / y, isAmount(left, x) || isAmount(right, y));
        }
    }

    Value unary(bool live)
    {
        const bool minus = accept(u'-');
        if (minus || accept(u'+')) {
            Nest nest(*this);
            const Value v = unary(live);
            if (!live)
                return v;
            const auto x = numberOf(v);
            if (!x)
                throw Refused{};
            return numeric(minus ? -*x : *x, isAmount(v, *x));
        }
        return primary(live);
    }

    Value primary(bool live)
    {
        skipBlanks();
        if (m_pos >= m_text.size())
            throw Refused{};
        const QChar c = m_text[m_pos];
        if (c == u'(') {
            ++m_pos;
            const Value v = expression(live);
            expect(u')');
            return v;
        }
        if (c == u'?') {
            ++m_pos;
            expect(u'(');
            const Value condition = expression(live);
            const bool chosen = live && truth(condition);
            expect(u'\\');
            const Value then = expression(live && chosen);
            expect(u'\\');
            const Value otherwise = expression(live && !chosen);
            expect(u')');
            return chosen ? then : otherwise;
        }
        if (isDigit(c))
            return number();
        if (c == u'"')
            return string();
        const QString written = peekWord();
        if (written.isEmpty())
            throw Refused{};
        m_pos += written.size();
        const QString word = written.toUpper();
        if (word == QStringLiteral("СН"))
            return reference(live);
        if (word == QStringLiteral("КО"))
            return turnover(live, {}, side());
        if (word == QStringLiteral("ДО"))
            return turnover(live, side(), {});
        if (word == QStringLiteral("ОБ")) {
            const Books::Side debit = side();
            expect(u',');
            return turnover(live, debit, side());
        }
        if (word == QStringLiteral("РДАТА"))
            return m_books.reportingDate();
        throw Refused{};
    }

    QString digits()
    {
        skipBlanks();
        const qsizetype from = m_pos;
        while (m_pos < m_text.size() && isDigit(m_text[m_pos]))
            ++m_pos;
        if (m_pos == from)
            throw Refused{};
        return m_text.mid(from, m_pos - from);
    }

    Value number()
    {
        QString text = digits();
        bool fraction = false;
        if (m_pos + 1 < m_text.size() && m_text[m_pos] == u'.' && isDigit(m_text[m_pos + 1])) {
            ++m_pos;
            text += u'.' + digits();
            fraction = true;
        }
        const double n = text.toDouble();
        if (!std::isfinite(n))
            throw Refused{};
        return fraction ? Value::amount(n) : Value::whole(n);
    }

    Value string()
    {
        ++m_pos; // the opening quote
        QString text;
        for (;;) {
            if (m_pos >= m_text.size())
                throw Refused{};
            const QChar c = m_text[m_pos++];
            if (c != u'"') {
                text += c;
            } else if (m_pos < m_text.size() && m_text[m_pos] == u'"') {
                text += c;
                ++m_pos;
            } else {
                return Value::ofText(text);
            }
        }
    }

    // Numbers that name things: catalogue, attribute, employee. Nine digits are plenty and keep
    // the arithmetic far from overflow.
    qint64 whole(bool signedNumber)
    {
        const bool negative = signedNumber && accept(u'-');
        const QString text = digits();
        if (text.size() > 9)
            throw Refused{};
        const qint64 n = text.toLongLong();
        return negative ? -n : n;
    }

    Value reference(bool live)
    {
        const qint64 catalogue = whole(false);
        expect(u':');
        const qint64 employee = whole(true);
        expect(u'.');
        const qint64 attribute = whole(false);
        if (!live)
            return Value::whole(0);
        if (catalogue != 1)
            throw Refused{};
        const auto v = m_books.attribute(employee, attribute);
        if (!v)
            throw Refused{};
        return *v;
    }

    Books::Side side()
    {
        Books::Side s;
        s.account = digits();
        while (m_pos + 1 < m_text.size() && m_text[m_pos] == u'.' && isDigit(m_text[m_pos + 1])) {
            ++m_pos;
            s.account += u'.' + digits();
        }
        if (accept(u':'))
            s.employee = whole(true);
        return s;
    }

    Value turnover(bool live, const Books::Side& debit, const Books::Side& credit)
    {
        if (!live)
            return Value::amount(0);
        for (const Books::Side* s : {&debit, &credit})
            if (s->employee && !m_books.hasEmployee(*s->employee))
                throw Refused{};
        return Value::amount(double(m_books.turnover(debit, credit)) / 100.0);
    }

    const Books& m_books;
    const QString& m_text;
    qsizetype m_pos = 0;
    int m_depth = 0;
};

} // namespace

Evaluator::Evaluator(const Books& books) : m_books(books) {}

std::optional<Value> Evaluator::evaluate(const QString& expression) const
{
    if (expression.size() > kMaxLength)
        return std::nullopt;
    try {
        return Parser(m_books, expression).parse();
    } catch (const Refused&) {
        return std::nullopt;
    }
}

std::optional<QString> Evaluator::answer(const QString& expression) const
{
    const auto v = evaluate(expression);
    if (!v)
        return std::nullopt;
    return v->answer();
}

} // namespace standin
