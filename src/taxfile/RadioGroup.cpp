#include "taxfile/RadioGroup.h"

#include <QRadioButton>

#include <algorithm>

namespace taxfile {

namespace {
// Height of the dialog font's text line, which the classic layout of the items is built on.
constexpr int TextHeight = 13;
} // namespace

RadioGroup::RadioGroup(const QString& caption, const QStringList& items, QWidget* parent)
    : QGroupBox(caption, parent)
{
    for (const QString& item : items) {
        auto* button = new QRadioButton(item, this);
        m_buttons.push_back(button);
        connect(button, &QRadioButton::toggled, this, &RadioGroup::focusOnChosen);
    }
    arrange();
    focusOnChosen();
}

void RadioGroup::focusOnChosen()
{
    // As in any radio group, Tab enters on the chosen item (the first when none is chosen) and
    // the arrows move the choice; the other items take the focus only from a click.
    const int chosen = std::max(0, itemIndex());
    for (std::size_t i = 0; i < m_buttons.size(); ++i)
        m_buttons[i]->setFocusPolicy(int(i) == chosen ? Qt::StrongFocus : Qt::ClickFocus);
}

int RadioGroup::itemIndex() const
{
    for (std::size_t i = 0; i < m_buttons.size(); ++i) {
        if (m_buttons[i]->isChecked())
            return int(i);
    }
    return -1;
}

void RadioGroup::setItemIndex(int index)
{
    if (index >= 0 && index < int(m_buttons.size()))
        m_buttons[std::size_t(index)]->setChecked(true);
}

void RadioGroup::place(const QRect& geometry)
{
    setGeometry(geometry);
    arrange();
}

void RadioGroup::resizeEvent(QResizeEvent* event)
{
    QGroupBox::resizeEvent(event);
    arrange();
}

void RadioGroup::arrange()
{
    const int count = int(m_buttons.size());
    if (count == 0)
        return;
    const int space = height() - TextHeight - 5;
    const int itemHeight = space / count;
    const int top = TextHeight + 1 + (space % count) / 2;
    for (int i = 0; i < count; ++i)
        m_buttons[std::size_t(i)]->setGeometry(8, top + i * itemHeight, width() - 10, itemHeight);
}

} // namespace taxfile
