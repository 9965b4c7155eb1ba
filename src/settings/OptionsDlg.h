#pragma once

#include "settings/FormStorage.h"
#include "settings/SettingsSource.h"
#include "settings/SettingsStore.h"
#include "widgets/FormItem.h"

#include <QDialog>
#include <QHash>
#include <QPoint>
#include <QSize>

#include <functional>
#include <memory>

class QLineEdit;
class QPushButton;
class QTabWidget;
class QWidget;

namespace widgets {
class FormWidgets;
}

namespace settings {

// The settings window. Its edit fields are the settings: the rest of the program reads their
// current text by name (text()), so there is one dialog for the whole run; it is hidden, never
// destroyed, between showings. Created once, right after the main window; its creation loads
// the stored settings, and only "ОК" saves them. Its pages are built when it is first shown
// (a run that never opens it never pays for them); until then text() gives the loaded texts.
class OptionsDlg final : public QDialog, public SettingsSource
{
    Q_OBJECT

public:
    // The store must outlive the dialog.
    explicit OptionsDlg(SettingsStore& store, QWidget* parent = nullptr);
    // The logged-on user's store (SettingsStore::userStore()).
    explicit OptionsDlg(QWidget* parent = nullptr);
    ~OptionsDlg() override;

    QString text(const QString& field) const override;

    // Builds the pages, the fields with the texts loaded at creation, and the buttons; the
    // first showing does it. Does nothing once they are there.
    void makeWidgets();

    void setVisible(bool visible) override;

    // The dialog's components as it is built from them: the pages, each field with its label
    // (from FieldTable), the buttons.
    static const QList<widgets::FormItem>& formItems();

    // The name the tax file will have, for the path shown beside DestinationA.
    void setUploadFileName(std::function<QString()> name) { m_uploadFileName = std::move(name); }

    // Outer size of the window as designed; the client area is that less a classic
    // sizeable frame (4-pixel borders, 19-pixel caption).
    static constexpr int kOuterWidth = 574;
    static constexpr int kOuterHeight = 539;
    static constexpr int kClientWidth = kOuterWidth - 8;
    static constexpr int kClientHeight = kOuterHeight - 27;

public slots:
    void Button1Click();
    void Button2Click();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void FormCreate();
    void takeFields(const widgets::FormWidgets& w);
    WindowPlacement placement() const;
    QHash<QString, QString> texts() const;

    std::unique_ptr<SettingsStore> m_ownStore;
    SettingsStore& m_store;
    FormStorage FormStorage1;
    // The settings until the fields are built, then empty: the fields hold them.
    QHash<QString, QString> m_loaded;
    QHash<QString, QLineEdit*> m_edits;
    std::function<QString()> m_uploadFileName;
    bool m_shownBefore = false;
    QPoint m_lastPos;
    QSize m_lastSize;

public:
    // Null until makeWidgets().
    QTabWidget* PageControl1 = nullptr;
    QWidget* TabSheet1 = nullptr;
    QWidget* TabSheet2 = nullptr;
    QWidget* TabSheet3 = nullptr;
    QPushButton* Button1 = nullptr;
    QPushButton* Button2 = nullptr;

    QLineEdit* Edrpou1 = nullptr;
    QLineEdit* pdw1 = nullptr;
    QLineEdit* codpp1 = nullptr;
    QLineEdit* NameBoss = nullptr;
    QLineEdit* codk1 = nullptr;
    QLineEdit* TellBoss = nullptr;
    QLineEdit* NameShief = nullptr;
    QLineEdit* codb1 = nullptr;
    QLineEdit* TellShief = nullptr;
    QLineEdit* NameFirm = nullptr;
    QLineEdit* NamePodat = nullptr;
    QLineEdit* CodRegion = nullptr;
    QLineEdit* CodPod = nullptr;
    QLineEdit* FirstWoker = nullptr;
    QLineEdit* LastWoker = nullptr;
    QLineEdit* FormWoker = nullptr;
    QLineEdit* IndNumber = nullptr;
    QLineEdit* InWoker = nullptr;
    QLineEdit* Edit1 = nullptr;
    QLineEdit* DestinationA = nullptr;
    QLineEdit* f1 = nullptr;
    QLineEdit* f2 = nullptr;
    QLineEdit* f3 = nullptr;
    QLineEdit* f4 = nullptr;
    QLineEdit* f5 = nullptr;
    QLineEdit* f6 = nullptr;
    QLineEdit* f7 = nullptr;
    QLineEdit* f8 = nullptr;
    QLineEdit* nw1 = nullptr;
    QLineEdit* nw2 = nullptr;
    QLineEdit* nw3 = nullptr;
    QLineEdit* nw4 = nullptr;
    QLineEdit* nw5 = nullptr;
    QLineEdit* nw6 = nullptr;
    QLineEdit* nw7 = nullptr;
    QLineEdit* nw8 = nullptr;
    QLineEdit* fp1 = nullptr;
    QLineEdit* fp2 = nullptr;
    QLineEdit* fp3 = nullptr;
    QLineEdit* fp4 = nullptr;
    QLineEdit* fp5 = nullptr;
    QLineEdit* fp6 = nullptr;
    QLineEdit* fp7 = nullptr;
    QLineEdit* fp8 = nullptr;
    QLineEdit* pp1 = nullptr;
    QLineEdit* pp2 = nullptr;
    QLineEdit* pp3 = nullptr;
    QLineEdit* pp4 = nullptr;
    QLineEdit* pp5 = nullptr;
    QLineEdit* pp6 = nullptr;
    QLineEdit* pp7 = nullptr;
    QLineEdit* pp8 = nullptr;
};

} // namespace settings
