#include "taxfile/GenerationRun.h"

#include "core/Conversions.h"
#include "core/Error.h"
#include "core/Messages.h"
#include "core/OwnFiles.h"
#include "dbase/Table.h"
#include "link/ItemAsker.h"
#include "settings/SettingsSource.h"
#include "settings/Templates.h"
#include "taxfile/CopyRoutine.h"
#include "taxformat/TaxFileFields.h"
#include "taxformat/TaxFileName.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cmath>

namespace taxfile {

namespace {

// A record that is being filled and must not be stored when filling it fails.
class PendingRecord
{
public:
    explicit PendingRecord(dbase::Table& table) : m_table(table) { m_table.append(); }
    ~PendingRecord()
    {
        if (!m_posted) {
            try {
                m_table.cancel();
            } catch (...) {
                // The failure that brought us here is the one the user must see.
            }
        }
    }
    PendingRecord(const PendingRecord&) = delete;
    PendingRecord& operator=(const PendingRecord&) = delete;

    void post()
    {
        m_table.post();
        m_posted = true;
    }

private:
    dbase::Table& m_table;
    bool m_posted = false;
};

} // namespace

GenerationRun::GenerationRun(const settings::SettingsSource& settings, ddelink::ItemAsker& asker,
                             dbase::Table& table, RunProgress& progress)
    : m_settings(settings), m_asker(asker), m_table(table), m_progress(progress),
      m_tempDir(taxformat::tempDirectory())
{
}

QString GenerationRun::missingTemplateText()
{
    return QStringLiteral(
        "Програма не може знайти файлобраз DA.DBF або невірний період розрахунків");
}

QString GenerationRun::setting(const char* name) const
{
    return m_settings.text(QString::fromLatin1(name));
}

QString GenerationRun::linkLostText()
{
    return QStringLiteral("Зв'язок з програмою бухгалтерського обліку перервано. Файл звіту "
                          "сформовано не повністю: запустіть програму і сформуйте файл ще раз");
}

QString GenerationRun::noAnswerText(const QString& item)
{
    return QStringLiteral("Програма бухгалтерського обліку не відповіла вчасно на запит \"%1\". "
                          "Файл звіту сформовано не повністю: сформуйте файл ще раз")
        .arg(core::shownValue(item));
}

QString GenerationRun::tooManyRecordsText()
{
    return QStringLiteral("Записів працівників більше, ніж може вмістити файл звіту: номери від "
                          "99991 належать службовим записам. Файл звіту не сформовано: "
                          "сформуйте його для меншого діапазону працівників");
}

QString GenerationRun::missingTempDirectoryText(const QString& dir)
{
    return QStringLiteral("Тимчасової теки \"%1\" немає, тож файлові звіту нема куди "
                          "записатися: створіть цю теку і сформуйте файл ще раз")
        .arg(core::shownValue(QDir::toNativeSeparators(dir)));
}

QString GenerationRun::askItem(const QString& item)
{
    QString answer = m_asker.ask(item);
    // An answer that did not come is no "no data": taking it as empty would skip an employee or
    // leave a date blank without a word.
    // An empty item asks nothing: what went unanswered then was the end of the warm link on
    // the item asked before it, and that is the item the message names.
    if (m_asker.lastAskTimedOut())
        throw core::Error(noAnswerText(item.isEmpty() ? m_lastItem : item));
    if (m_linkAlive && !m_linkAlive())
        throw core::Error(linkLostText());
    if (!item.isEmpty())
        m_lastItem = item;
    return answer;
}

QString GenerationRun::ask(const QString& field, std::int64_t employee)
{
    return askItem(settings::request(m_settings, field, employee));
}

double GenerationRun::askAmount(const QString& field, std::int64_t employee)
{
    const QString item = settings::request(m_settings, field, employee);
    // The link is set to the empty item as well, which ends the previous warm link.
    const QString answer = askItem(item);
    return item.isEmpty() ? 0.0 : core::toFloat(answer);
}

void GenerationRun::writeCommon(const taxformat::RunChoices& choices)
{
    m_table.setInt(QStringLiteral("PERIOD"), choices.kwartal + 1);
    m_table.setInt(QStringLiteral("RIK"), core::toInt(choices.zyear));
    const bool legalEntity = choices.wuser == 0;
    m_table.setText(QStringLiteral("KOD"), setting(legalEntity ? "Edrpou1" : "pdw1"));
    m_table.setInt(QStringLiteral("TYP"), legalEntity ? 0 : 1);
}

void GenerationRun::walkEmployee(const taxformat::RunChoices& choices, std::int64_t employee)
{
    const QString tin = ask(settings::identificationField(), employee);
    if (tin.isEmpty())
        return;
    for (int row = 1; row <= 8; ++row) {
        const double income = askAmount(settings::incomeField(row), employee);
        const double tax = askAmount(settings::taxField(row), employee);
        const double nonPayment = askAmount(settings::nonPaymentField(row), employee);
        if (!(income != 0.0 || tax != 0.0 || nonPayment == 1.0))
            continue;

        // The numbers from 99991 on are the service records': an employee record there would be
        // read as one of them, and the file would look finished with records it does not have.
        if (m_recordCounter >= taxformat::directorNp)
            throw core::Error(tooManyRecordsText());
        PendingRecord record(m_table);
        m_table.setFloat(QStringLiteral("NP"), m_recordCounter);
        m_recordCounter += 1;
        writeCommon(choices);
        m_table.setText(QStringLiteral("TIN"), tin);
        m_table.setFloat(QStringLiteral("S_DOX"), income);
        m_table.setFloat(QStringLiteral("S_TAX"), tax);
        m_table.setInt(QStringLiteral("OZN_DOX"), row);

        const QDate hired = core::dateFromAnswer(ask(settings::hiringDateField(), employee));
        if (hired.isValid())
            m_table.setDate(QStringLiteral("D_PRIYN"), hired);
        const QDate dismissed = core::dateFromAnswer(ask(settings::dismissalDateField(), employee));
        if (dismissed.isValid())
            m_table.setDate(QStringLiteral("D_ZVILN"), dismissed);

        const QString benefit =
            settings::request(m_settings, settings::benefitField(row), employee);
        m_table.setInt(QStringLiteral("OZN_PILG"),
                       benefit.isEmpty() ? 0 : core::toInt(askItem(benefit)));
        m_table.setInt(QStringLiteral("OZNAKA"), 0);
        record.post();
    }
}

QString GenerationRun::templateLayoutText(const QStringList& differences)
{
    return QStringLiteral("Увага: поля файлобразу DA.DBF описані не так, як їх записує "
                          "програма:\n%1\nФайл буде записано за цим файлобразом: перевірте "
                          "його, перш ніж подавати.")
        .arg(differences.join(QLatin1Char('\n')));
}

QString GenerationRun::templatePath() const
{
    return m_workDir.isEmpty() ? QStringLiteral("DA.DBF")
                               : QDir(m_workDir).filePath(QStringLiteral("DA.DBF"));
}

void GenerationRun::openTaxFile(const QString& templatePath, const QString& name)
{
    // A failed run in the same dialog leaves the table open on this very file; it is closed
    // before the template is copied over it, so the copy never races an open table.
    if (m_table.isOpen())
        m_table.close();
    // The template must be a plain file of the user's (or an installed one), looked at without
    // waiting on it.
    const QString templateProblem = core::readableFileProblem(templatePath);
    if (!templateProblem.isEmpty())
        throw core::Error(QStringLiteral("Cannot open file '%1': %2")
                              .arg(QDir::toNativeSeparators(templatePath), templateProblem));

    // The copy is written and read back through the descriptor it was made on: in a temporary
    // folder that others may write to, whatever is put under its name afterwards is not it.
    const QString path = m_tempDir + name;
    QFile taxFile;
    CopyOptions options;
    options.keepOpen = &taxFile;
    copyFile(templatePath, path, options);
    core::rememberWritten(path, core::identityOf(taxFile.handle()));

    // The copy's header is the template's: what is wrong with it is said of DA.DBF.
    m_table.emptyTable(taxFile, path, templatePath);
    m_table.open(taxFile, path);
    // A template that lays the fields out otherwise (amounts without kopecks, say) still binds,
    // and every record would follow it: the user hears of it before the first one is written.
    const QStringList differences = taxformat::layoutDifferences(m_table.fields());
    if (!differences.isEmpty())
        core::messages().showMessage(templateLayoutText(differences));
}

void GenerationRun::walkEmployees(const taxformat::RunChoices& choices)
{
    m_recordCounter = 1;
    m_progress.setPanelVisible(true);
    m_progress.setGaugeRange(0, core::toInt(setting("LastWoker")));
    m_progress.setGaugePosition(0);

    const std::int64_t first = core::toInt(setting("FirstWoker"));
    const std::int64_t last = core::toInt(setting("LastWoker"));
    for (std::int64_t employee = first; employee <= last; ++employee) {
        m_progress.setGaugePosition(static_cast<int>(employee));
        walkEmployee(choices, employee);
    }
}

void GenerationRun::writeServiceRecords(const taxformat::RunChoices& choices)
{
    // Summed in whole kopecks: binary fractions added a thousand times drift by a kopeck, and
    // the totals must equal the records they add up. Whole numbers stay exact in a double far
    // beyond what the amount fields hold.
    const auto kopecks = [&](const char* field) {
        return std::round(m_table.asFloat(QString::fromLatin1(field)) * 100);
    };
    double incomeKopecks = 0;
    double taxKopecks = 0;
    for (m_table.first(); !m_table.eof(); m_table.next()) {
        incomeKopecks += kopecks("S_DOX");
        taxKopecks += kopecks("S_TAX");
    }

    // The director and the chief accountant: their number and, in place of an amount, their
    // telephone number as a 32-bit whole number.
    const auto writeSignatory = [&](double np, const char* tinField, const char* phoneField) {
        PendingRecord record(m_table);
        m_table.setFloat(QStringLiteral("NP"), np);
        m_table.setText(QStringLiteral("TIN"), setting(tinField));
        m_table.setFloat(QStringLiteral("S_DOX"), core::toInt(setting(phoneField)));
        writeCommon(choices);
        record.post();
    };
    writeSignatory(taxformat::directorNp, "codk1", "TellBoss");
    writeSignatory(taxformat::chiefNp, "codb1", "TellShief");

    PendingRecord record(m_table);
    m_table.setFloat(QStringLiteral("NP"), taxformat::totalsNp);
    m_table.setFloat(QStringLiteral("S_TAX"), taxKopecks / 100);
    m_table.setFloat(QStringLiteral("S_DOX"), incomeKopecks / 100);
    writeCommon(choices);
    record.post();
}

GenerationRun::Result GenerationRun::run(const taxformat::RunChoices& choices)
{
    const QString source = templatePath();
    if (!QFileInfo(source).isFile()) {
        core::messages().showMessage(missingTemplateText());
        return {Outcome::NoTemplate, {}};
    }
    // An accounting program that went away and came back is met again here, not only by a
    // restart of the program; a lost conversation that stays lost ends the run untouched.
    if (m_linkAlive && !m_linkAlive() && !(m_reopenLink && m_reopenLink()))
        return {Outcome::NoLink, {}};

    const QString name = taxformat::buildTaxFileName(setting("CodRegion"), setting("CodPod"),
                                                     choices.nperiod, choices.kwartal);
    // A temporary folder that is not there would leave the file somewhere nobody meant.
    if (m_tempDir.isEmpty() || !QFileInfo(m_tempDir).isDir())
        throw core::Error(missingTempDirectoryText(m_tempDir));
    taxformat::TaxFileName() = name;

    openTaxFile(source, name);
    walkEmployees(choices);
    writeServiceRecords(choices);
    m_table.close();
    m_progress.setPanelVisible(false);
    return {Outcome::Finished, name};
}

} // namespace taxfile
