#pragma once

#include "Value.h"

#include <QString>

#include <optional>

namespace standin {

class Books;

// Evaluates the accounting program's expressions, the item names that the client asks for,
// against the books. The item names come from outside (the user's templates with the employee
// number put in), so anything not understood is refused, never guessed at: the input length
// and the nesting depth are bounded, and evaluation never loops.
//
// Grammar (keywords and prefixes are letters of either case; blanks may stand between any two
// tokens, so "СН 1:7.35" reads as "СН1:7.35"):
//
//   expression  = or
//   or          = and { "ИЛИ" and }                     short-circuit; gives 1 or 0
//   and         = not { "И" not }                       short-circuit; gives 1 or 0
//   not         = "НЕ" not | comparison                 gives 1 or 0
//   comparison  = sum [ ("=" | "<>" | "<" | ">" | "<=" | ">=") sum ]     one at most
//   sum         = term { ("+" | "-") term }
//   term        = unary { ("*" | "/") unary }
//   unary       = ("-" | "+") unary | primary
//   primary     = number | string | "(" expression ")" | conditional
//               | reference | turnover | "РДАТА"
//   conditional = "?" "(" expression "\" expression "\" expression ")"
//                 only the chosen branch is evaluated; the other is only checked for syntax
//   number      = digits [ "." digits ]                 with a point: an amount, else whole
//   string      = '"' { any character but '"' | '""' } '"'
//   reference   = "СН" catalogue ":" object "." attribute      attribute of a catalogue object
//   turnover    = "КО" side                             credit turnover of the side's account
//               | "ДО" side                             debit turnover
//               | "ОБ" side "," side                    turnover debit first side, credit second
//   side        = account [ ":" object ]                account = digits { "." digits }
//   catalogue, attribute = digits;  object = [ "-" ] digits
//
// Meanings: catalogue 1 is the employees and the object is the employee number. An account
// takes in its sub-accounts ("70" covers "70.01"). A side with an object counts only postings
// whose analytic object on that side is that employee. A truth value is a number other than 0,
// a text other than empty or "0", or a date. "=" and the other comparisons compare numbers when
// both sides are numbers (a text of digits counts as one), dates when both are dates, and the
// answered texts otherwise. Arithmetic takes numbers only; a sum or difference is an amount when
// either operand is one.
//
// Refused (no answer): a syntax error, text left over after the expression, an unknown
// catalogue, employee or attribute in an evaluated part, arithmetic on text or dates, division
// by zero, a number that is not finite, an expression longer than kMaxLength characters, or one
// nested deeper than kMaxDepth.
class Evaluator
{
public:
    // DDE item names are at most 255 characters; the client never asks for longer ones.
    static constexpr qsizetype kMaxLength = 255;
    static constexpr int kMaxDepth = 64;

    explicit Evaluator(const Books& books);

    std::optional<Value> evaluate(const QString& expression) const;
    // The evaluated value as answered over the link (see Value::answer).
    std::optional<QString> answer(const QString& expression) const;

private:
    const Books& m_books;
};

} // namespace standin
