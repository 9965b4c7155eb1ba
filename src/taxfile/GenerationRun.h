#pragma once

#include "taxformat/RunChoices.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>

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

// The progress panel and its gauge, as the run drives them.
class RunProgress
{
public:
    virtual ~RunProgress() = default;
    virtual void setPanelVisible(bool visible) = 0;
    // Throws core::Error as the gauge does when the maximum is below the minimum.
    virtual void setGaugeRange(int minimum, int maximum) = 0;
    virtual void setGaugePosition(int position) = 0;
};

// The run that asks the accounting program employee by employee and writes the tax file into
// the temporary directory under its new name, which it returns (and also keeps in the
// process-wide TaxFileName()). Failures propagate as core::Error; what was stored by then stays
// in the file and the table stays open.
class GenerationRun
{
public:
    enum class Outcome
    {
        NoTemplate, // the template is missing: the message was shown, nothing else changed
        NoLink,     // the conversation was lost and could not be opened again: nothing changed
        Finished,
    };
    struct Result
    {
        Outcome outcome = Outcome::NoTemplate;
        QString fileName; // the tax file's name, without directory; empty unless Finished
    };

    GenerationRun(const settings::SettingsSource& settings, ddelink::ItemAsker& asker,
                  dbase::Table& table, RunProgress& progress);

    // Where DA.DBF is looked for; empty means the current directory.
    void setWorkingDirectory(const QString& dir) { m_workDir = dir; }
    // Where the tax file goes, with its trailing separator; tempDirectory() by default.
    void setTempDirectory(const QString& dir) { m_tempDir = dir; }

    // Tells whether the conversation behind the asker still stands. An empty answer after the
    // accounting program went away would otherwise skip every later employee silently and the
    // run would report a file that lacks them as finished.
    void setLinkCheck(std::function<bool()> linkAlive) { m_linkAlive = std::move(linkAlive); }
    // Called when the run starts and the check finds the conversation lost: opens it once more
    // as at start-up and, when that fails, tells the user so. False stops the run before
    // anything is written.
    void setLinkReopen(std::function<bool()> reopen) { m_reopenLink = std::move(reopen); }

    Result run(const taxformat::RunChoices& choices);

    static QString linkLostText();
    // The accounting program did not answer the request for the item in time.
    static QString noAnswerText(const QString& item);

    static QString missingTemplateText();
    // The run would number an employee record as the first service record.
    static QString tooManyRecordsText();
    // The temporary folder the tax file is written to is not there.
    static QString missingTempDirectoryText(const QString& dir);
    // The warning about a template whose fields differ from the tax file's layout.
    static QString templateLayoutText(const QStringList& differences);

private:
    QString setting(const char* name) const;
    QString askItem(const QString& item);
    QString ask(const QString& field, std::int64_t employee);
    double askAmount(const QString& field, std::int64_t employee);
    void writeCommon(const taxformat::RunChoices& choices);
    void walkEmployee(const taxformat::RunChoices& choices, std::int64_t employee);
    QString templatePath() const;
    // Copies the template to the new name in the temporary folder and opens the table on it.
    void openTaxFile(const QString& templatePath, const QString& name);
    void walkEmployees(const taxformat::RunChoices& choices);
    // The director's, the chief accountant's and the totals' records after the employees'.
    void writeServiceRecords(const taxformat::RunChoices& choices);

    const settings::SettingsSource& m_settings;
    ddelink::ItemAsker& m_asker;
    dbase::Table& m_table;
    RunProgress& m_progress;
    QString m_workDir;
    QString m_tempDir;
    std::function<bool()> m_linkAlive;
    std::function<bool()> m_reopenLink;
    double m_recordCounter = 1;
    QString m_lastItem; // the last item asked that was not empty
};

} // namespace taxfile
