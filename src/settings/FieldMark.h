#pragma once

#include <QPointer>
#include <QWidget>

class QLineEdit;

namespace settings {

// A warning mark beside a settings field whose text will not do what the user likely means.
// It never touches the field's text: whatever is typed is accepted and saved as it stands.
// A subclass says, whenever the text changes, whether the mark shows and what its tooltip is.
class FieldMark : public QWidget
{
    Q_OBJECT

protected:
    explicit FieldMark(QLineEdit* field);

    // Shows the mark with the tooltip, or hides it when the tooltip is empty.
    void showTip(const QString& tip);
    virtual void refresh() = 0;
    // Connects the field's changes to refresh and refreshes once; the subclass's constructor
    // calls it last.
    void follow();

    void paintEvent(QPaintEvent* event) override;

    QPointer<QLineEdit> m_field;
};

// A sentence as a tooltip paragraph, so that a long one wraps instead of running off the screen.
QString tipParagraph(const QString& sentence);

} // namespace settings
