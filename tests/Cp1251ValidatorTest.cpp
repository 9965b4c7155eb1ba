#include "widgets/Cp1251Validator.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QLineEdit>

#include <gtest/gtest.h>

namespace {

void typeText(QWidget* target, const QString& text)
{
    QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, text);
    QApplication::sendEvent(target, &press);
}

} // namespace

TEST(Cp1251ValidatorTest, OnlyWindows1251TextGetsIn)
{
    QLineEdit edit;
    edit.setValidator(new widgets::Cp1251Validator(&edit));

    typeText(&edit, QStringLiteral("Ґї№€ A\\"));
    EXPECT_EQ(edit.text(), QStringLiteral("Ґї№€ A\\"));
    typeText(&edit, QStringLiteral("漢"));
    typeText(&edit, QStringLiteral("ő"));
    EXPECT_EQ(edit.text(), QStringLiteral("Ґї№€ A\\"));

    // A paste with one foreign character is refused whole, not cut.
    QApplication::clipboard()->setText(QStringLiteral("ab😀cd"));
    edit.paste();
    EXPECT_EQ(edit.text(), QStringLiteral("Ґї№€ A\\"));
    QApplication::clipboard()->setText(QStringLiteral("Ромашка"));
    edit.paste();
    EXPECT_EQ(edit.text(), QStringLiteral("Ґї№€ A\\Ромашка"));
}
