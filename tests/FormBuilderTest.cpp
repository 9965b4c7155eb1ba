#include "widgets/FormBuilder.h"

#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>

#include <gtest/gtest.h>

// A text wider than the place its form gives it (the font in use is wider than the one the form
// was drawn with) is narrowed until it fits, a label's every line; one that fits is left alone.
TEST(FormBuilderTest, ATextWiderThanItsPlaceIsNarrowedUntilItFits)
{
    using widgets::Kind;
    QWidget form;
    QFont wide;
    wide.setFamilies({QStringLiteral("DejaVu Sans")});
    wide.setPixelSize(13);
    form.setFont(wide);
    const QList<widgets::FormItem> items{
        {Kind::Label, "Long", "Працювало за сумісництвом", {8, 8, 120, 0}},
        {Kind::Label, "TwoLines", "Код органу\nдержавної податкової служби", {8, 40, 120, 0}},
        {Kind::Button, "Button", "Сформувати файл", {8, 80, 90, 25}},
        {Kind::Label, "Short", "до", {8, 120, 120, 0}},
    };
    const widgets::FormWidgets w = widgets::FormBuilder::build(&form, QSize(200, 160), items);
    for (const widgets::FormItem& item : items) {
        SCOPED_TRACE(item.name.toStdString());
        const QFont font = w.value(item.name)->font();
        const int room = item.rect.width() - (item.kind == Kind::Button ? 8 : 0);
        for (const QString& line : item.text.split('\n'))
            EXPECT_LE(QFontMetrics(font).horizontalAdvance(line), room) << line.toStdString();
        if (item.name == "Short")
            EXPECT_EQ(font.stretch(), wide.stretch());
        else
            EXPECT_GE(font.stretch(), 50);
    }
}
