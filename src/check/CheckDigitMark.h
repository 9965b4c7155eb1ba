#pragma once

#include <QPixmap>
#include <QPointer>
#include <QWidget>

class QLineEdit;

namespace check {

// A warning mark beside a requisite field whose code fails its check digit, with a tooltip that
// says so on the mark and on the field. It never touches the field's text: whatever is typed
// is accepted and saved as it stands.
class CheckDigitMark : public QWidget
{
    Q_OBJECT

public:
    // Marks the fields Edrpou1 and codpp1 (firm codes) and pdw1, codk1 and codb1 (personal
    // identification numbers), each chosen by its object name; other fields are left alone.
    static void attach(const QList<QLineEdit*>& fields);

    CheckDigitMark(QLineEdit* field, bool firmCode, const QString& subject);

    // The sentence for the field's current text; empty when it passes.
    QString problem() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void refresh();

    QPixmap m_icon;
    QPointer<QLineEdit> m_field;
    bool m_firmCode;
    QString m_subject;
};

} // namespace check
