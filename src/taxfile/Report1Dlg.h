#pragma once

#include "taxfile/FileNumberBox.h"
#include "taxfile/GenerationRun.h"
#include "widgets/FormItem.h"

#include <QDialog>

#include <functional>
#include <memory>

class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;

namespace widgets {
class FormWidgets;
}
namespace dbase {
class Table;
}
namespace ddelink {
class ItemAsker;
}
namespace settings {
class SettingsSource;
}

namespace taxfile {

class Gauge;
class RadioGroup;

// "Формування звітів": the choices of one quarter's return, the generation run with its
// progress, the copy to a medium. Created for each opening and destroyed when it closes, which
// also closes the tax file a failed run left open.
class Report1Dlg : public QDialog, private RunProgress
{
    Q_OBJECT

public:
    Report1Dlg(const settings::SettingsSource& settings, ddelink::ItemAsker& asker,
               QWidget* parent = nullptr);
    ~Report1Dlg() override;

    // The dialog's components as it is built from them.
    static const QList<widgets::FormItem>& formItems();

    // Where DA.DBF is looked for (the current directory when empty) and where the tax file is
    // written (the temporary directory by default, with its trailing separator).
    void setWorkingDirectory(const QString& dir) { m_workDir = dir; }
    void setTempDirectory(const QString& dir) { m_tempDir = dir; }
    // Whether the conversation behind the asker still stands (see GenerationRun::setLinkCheck).
    void setLinkCheck(std::function<bool()> linkAlive) { m_linkAlive = std::move(linkAlive); }
    // Opens a lost conversation again when a run starts (see GenerationRun::setLinkReopen).
    void setLinkReopen(std::function<bool()> reopen) { m_reopenLink = std::move(reopen); }

    // Checks the tax file at `path` once a run has written it, and shows what is found.
    using FileCheck = std::function<void(const QString& path)>;
    void setFileCheck(FileCheck check) { m_fileCheck = std::move(check); }
    // "Сформувати звіт": prints the return over the tax file dir + fileName with the dialog's
    // choices; returns when its preview is closed. Failures throw core::Error.
    using Printing = std::function<void(const taxformat::RunChoices& choices, const QString& dir,
                                        const QString& fileName)>;
    void setPrinting(Printing print) { m_print = std::move(print); }

    taxformat::RunChoices choices() const;
    dbase::Table& table() { return *DA; }
    bool isRunning() const { return m_running; }

    void Button1Click();
    void Button2Click();
    void Button3Click();
    void Button4Click();

    QLabel* Label1;
    FileNumberBox* Nperiod;
    QLabel* Label2;
    QComboBox* ZYear;
    RadioGroup* WUser;
    QLabel* Label3;
    QLineEdit* Edit1;
    RadioGroup* Kwartal;
    QLabel* Label4;
    QLineEdit* Edit2;
    QFrame* Panel1;
    QLabel* Label5;
    Gauge* Gauge1;
    QPushButton* Button1;
    QPushButton* Button2;
    QPushButton* Button4;
    QPushButton* Button3;

public slots:
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void takeWidgets(const widgets::FormWidgets& w);
    void FormCreate();
    void setPanelVisible(bool visible) override;
    void setGaugeRange(int minimum, int maximum) override;
    void setGaugePosition(int position) override;

    const settings::SettingsSource& m_settings;
    ddelink::ItemAsker& m_asker;
    std::unique_ptr<dbase::Table> DA;
    QString m_workDir;
    QString m_tempDir;
    QString m_fileName; // the last finished run's file; until this dialog has one, the process's
    std::function<bool()> m_linkAlive;
    std::function<bool()> m_reopenLink;
    FileCheck m_fileCheck;
    Printing m_print;
    bool m_running = false;
    bool m_placed = false;
};

} // namespace taxfile
