#include "bands/Expression.h"

#include "core/Error.h"

#include <vector>

namespace bands {

namespace {

using Node = std::shared_ptr<const Expression>;

class Constant final : public Expression
{
public:
    explicit Constant(Value v) : m_value(std::move(v)) {}
    Value evaluate(const ExpressionContext&) const override { return m_value; }

private:
    Value m_value;
};

class FieldRef final : public Expression
{
public:
    FieldRef(QString table, QString name) : m_table(std::move(table)), m_name(std::move(name)) {}
    Value evaluate(const ExpressionContext& c) const override { return c.field(m_table, m_name); }

private:
    QString m_table;
    QString m_name;
};

class Count final : public Expression
{
public:
    Value evaluate(const ExpressionContext& c) const override
    {
        return Value::fromInteger(c.count());
    }
};

class PageNumber final : public Expression
{
public:
    Value evaluate(const ExpressionContext& c) const override
    {
        return Value::fromInteger(c.pageNumber());
    }
};

class If final : public Expression
{
public:
    If(Node c, Node a, Node b) : m_c(std::move(c)), m_a(std::move(a)), m_b(std::move(b)) {}
    Value evaluate(const ExpressionContext& c) const override
    {
        const Value cond = m_c->evaluate(c);
        const bool holds = cond.kind == Value::Kind::Boolean ? cond.truth : cond.asDouble() != 0;
        return holds ? m_a->evaluate(c) : m_b->evaluate(c);
    }

private:
    Node m_c, m_a, m_b;
};

enum class Op
{
    Or,
    Eq,
    Ne,
    Ge,
    Gt,
    Le,
    Lt,
    Add,
    Sub,
};

bool truthOf(const Value& v)
{
    return v.kind == Value::Kind::Boolean ? v.truth : v.asDouble() != 0;
}

class Binary final : public Expression
{
public:
    Binary(Op op, Node l, Node r) : m_op(op), m_l(std::move(l)), m_r(std::move(r)) {}
    Value evaluate(const ExpressionContext& c) const override
    {
        const Value l = m_l->evaluate(c);
        if (m_op == Op::Or && truthOf(l))
            return Value::fromBoolean(true);
        const Value r = m_r->evaluate(c);
        switch (m_op) {
        case Op::Or:
            return Value::fromBoolean(truthOf(r));
        case Op::Add:
        case Op::Sub:
            if (l.kind == Value::Kind::Text && r.kind == Value::Kind::Text && m_op == Op::Add)
                return Value::fromText(l.text + r.text);
            if (l.kind == Value::Kind::Integer && r.kind == Value::Kind::Integer)
                return Value::fromInteger(m_op == Op::Add ? l.integer + r.integer
                                                          : l.integer - r.integer);
            return Value::fromFloat(m_op == Op::Add ? l.asDouble() + r.asDouble()
                                                    : l.asDouble() - r.asDouble());
        default:
            break;
        }
        int cmp = 0;
        if (l.kind == Value::Kind::Text && r.kind == Value::Kind::Text) {
            cmp = QString::compare(l.text, r.text);
        } else {
            const double a = l.asDouble();
            const double b = r.asDouble();
            cmp = a < b ? -1 : (a > b ? 1 : 0);
        }
        switch (m_op) {
        case Op::Eq:
            return Value::fromBoolean(cmp == 0);
        case Op::Ne:
            return Value::fromBoolean(cmp != 0);
        case Op::Ge:
            return Value::fromBoolean(cmp >= 0);
        case Op::Gt:
            return Value::fromBoolean(cmp > 0);
        case Op::Le:
            return Value::fromBoolean(cmp <= 0);
        case Op::Lt:
            return Value::fromBoolean(cmp < 0);
        default:
            return Value::fromBoolean(false);
        }
    }

private:
    Op m_op;
    Node m_l, m_r;
};

class Parser
{
public:
    explicit Parser(const QString& text) : m_s(text) {}

    Node parseAll()
    {
        Node n = orExpr();
        skipBlanks();
        if (m_pos < m_s.size())
            fail();
        return n;
    }

private:
    [[noreturn]] void fail() const
    {
        throw core::Error(
            QStringLiteral("Invalid expression '%1' at position %2").arg(m_s).arg(m_pos + 1));
    }

    void skipBlanks()
    {
        while (m_pos < m_s.size() && m_s[m_pos].isSpace())
            ++m_pos;
    }

    bool eat(QLatin1String token)
    {
        skipBlanks();
        if (m_s.mid(m_pos, token.size()) == token) {
            m_pos += token.size();
            return true;
        }
        return false;
    }

    void expect(QLatin1String token)
    {
        if (!eat(token))
            fail();
    }

    // A word (letters, digits, '_') without consuming it.
    QString peekWord()
    {
        skipBlanks();
        qsizetype end = m_pos;
        while (end < m_s.size() && (m_s[end].isLetterOrNumber() || m_s[end] == QLatin1Char('_')))
            ++end;
        return m_s.mid(m_pos, end - m_pos);
    }

    QString word()
    {
        const QString w = peekWord();
        if (w.isEmpty() || w[0].isDigit())
            fail();
        m_pos += w.size();
        return w;
    }

    Node orExpr()
    {
        Node n = comparison();
        while (peekWord().compare(QLatin1String("or"), Qt::CaseInsensitive) == 0) {
            m_pos += 2;
            n = std::make_shared<Binary>(Op::Or, n, comparison());
        }
        return n;
    }

    Node comparison()
    {
        Node n = additive();
        static const std::pair<const char*, Op> ops[] = {{">=", Op::Ge}, {"<=", Op::Le},
                                                         {"<>", Op::Ne}, {"=", Op::Eq},
                                                         {">", Op::Gt},  {"<", Op::Lt}};
        for (const auto& [token, op] : ops) {
            if (eat(QLatin1String(token)))
                return std::make_shared<Binary>(op, n, additive());
        }
        return n;
    }

    Node additive()
    {
        Node n = primary();
        for (;;) {
            if (eat(QLatin1String("+")))
                n = std::make_shared<Binary>(Op::Add, n, primary());
            else if (eat(QLatin1String("-")))
                n = std::make_shared<Binary>(Op::Sub, n, primary());
            else
                return n;
        }
    }

    Node primary()
    {
        skipBlanks();
        if (m_pos >= m_s.size())
            fail();
        const QChar c = m_s[m_pos];
        if (c == QLatin1Char('(')) {
            ++m_pos;
            Node n = orExpr();
            expect(QLatin1String(")"));
            return n;
        }
        if (c == QLatin1Char('\'')) {
            const qsizetype close = m_s.indexOf(QLatin1Char('\''), m_pos + 1);
            if (close < 0)
                fail();
            Node n =
                std::make_shared<Constant>(Value::fromText(m_s.mid(m_pos + 1, close - m_pos - 1)));
            m_pos = close + 1;
            return n;
        }
        if (c.isDigit())
            return number();
        const QString w = word();
        if (w.compare(QLatin1String("IF"), Qt::CaseInsensitive) == 0) {
            expect(QLatin1String("("));
            Node cond = orExpr();
            expect(QLatin1String(","));
            Node a = orExpr();
            expect(QLatin1String(","));
            Node b = orExpr();
            expect(QLatin1String(")"));
            return std::make_shared<If>(cond, a, b);
        }
        if (w.compare(QLatin1String("COUNT"), Qt::CaseInsensitive) == 0)
            return std::make_shared<Count>();
        if (w.compare(QLatin1String("PAGENUMBER"), Qt::CaseInsensitive) == 0)
            return std::make_shared<PageNumber>();
        if (m_pos < m_s.size() && m_s[m_pos] == QLatin1Char('.')) {
            ++m_pos;
            return std::make_shared<FieldRef>(w, word());
        }
        fail();
    }

    Node number()
    {
        qsizetype end = m_pos;
        while (end < m_s.size() && m_s[end].isDigit())
            ++end;
        bool fractional = false;
        if (end < m_s.size() && m_s[end] == QLatin1Char('.')) {
            fractional = true;
            ++end;
            while (end < m_s.size() && m_s[end].isDigit())
                ++end;
        }
        const QString digits = m_s.mid(m_pos, end - m_pos);
        m_pos = end;
        bool ok = false;
        if (!fractional) {
            const qlonglong i = digits.toLongLong(&ok);
            if (ok)
                return std::make_shared<Constant>(Value::fromInteger(i));
        }
        const double f = digits.toDouble(&ok);
        if (!ok)
            fail();
        return std::make_shared<Constant>(Value::fromFloat(f));
    }

    QString m_s;
    qsizetype m_pos = 0;
};

} // namespace

std::shared_ptr<const Expression> Expression::parse(const QString& text)
{
    return Parser(text).parseAll();
}

} // namespace bands
