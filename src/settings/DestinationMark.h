#pragma once

#include "settings/FieldMark.h"

#include <functional>

namespace settings {

// The mark beside DestinationA when its text names a drive this system does not have or a folder
// without the final separator; its tooltip says so and shows the full path the tax file will
// get. The field's own tooltip always shows its whole text, which the narrow field cuts.
class DestinationMark : public FieldMark
{
    Q_OBJECT

public:
    // The name the file will have (the last tax file's, or the next one's); asked whenever the
    // tooltip is made, so it is always current. Empty gives a placeholder.
    using FileName = std::function<QString()>;
    DestinationMark(QLineEdit* field, FileName fileName);

protected:
    void refresh() override;
    bool event(QEvent* event) override;

private:
    FileName m_fileName;
};

} // namespace settings
