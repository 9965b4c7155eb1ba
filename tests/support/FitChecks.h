#pragma once

#include <QFont>
#include <QFontMetrics>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionFrame>

namespace testsupport {

// Whether the edit shows the text whole, in its own font, without scrolling it.
inline bool showsWhole(const QLineEdit* edit, const QString& text)
{
    QStyleOptionFrame option;
    option.initFrom(edit);
    option.rect = edit->rect();
    option.lineWidth = edit->hasFrame()
                           ? edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, edit)
                           : 0;
    QRect room = edit->style()->subElementRect(QStyle::SE_LineEditContents, &option, edit);
    room = room.marginsRemoved(edit->textMargins());
    const int margins = 2 * 2; // the edit's own margin on either side of the text
    return QFontMetrics(edit->font()).horizontalAdvance(text) <= room.width() - margins;
}

// Whether the button shows its caption whole, in its own font.
inline bool showsWhole(const QPushButton* button, const QString& text)
{
    QStyleOptionButton option;
    option.initFrom(button);
    option.rect = button->rect();
    const QRect room =
        button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button);
    return QFontMetrics(button->font()).horizontalAdvance(text) <= room.width();
}

// The widest text of digits the field takes.
inline QString widestDigits(int count)
{
    return QString(count, u'0');
}

// A font drawn at its own width, not narrowed to fit.
inline bool unsqueezed(const QFont& font)
{
    return font.stretch() == 0 || font.stretch() == 100;
}

} // namespace testsupport
