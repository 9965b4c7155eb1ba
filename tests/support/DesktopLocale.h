#pragma once

#include <QLocale>

#include <gtest/gtest.h>

#include <clocale>
#include <string>

namespace testsupport {

// The regional settings of a desktop for the life of a scope: Qt's default locale and, as Qt
// itself sets it from the environment at start-up, the C library's numeric locale; both come
// back as they were after it. "C" or a
// name such as "uk_UA" (its UTF-8 variant must be generated: scripts/install-deps does it).
class DesktopLocale
{
public:
    explicit DesktopLocale(const char* name) : m_previous(std::setlocale(LC_NUMERIC, nullptr))
    {
        QLocale::setDefault(QLocale(QString::fromLatin1(name)));
        const std::string c = std::string(name) == "C" ? "C" : std::string(name) + ".UTF-8";
        m_available = std::setlocale(LC_NUMERIC, c.c_str()) != nullptr;
        EXPECT_TRUE(m_available) << "the locale " << c << " is not generated on this machine";
    }
    ~DesktopLocale()
    {
        std::setlocale(LC_NUMERIC, m_previous.c_str());
        QLocale::setDefault(m_previousDefault);
    }
    DesktopLocale(const DesktopLocale&) = delete;
    DesktopLocale& operator=(const DesktopLocale&) = delete;

    bool available() const { return m_available; }

private:
    std::string m_previous;
    QLocale m_previousDefault; // Qt's default at construction
    bool m_available = false;
};

} // namespace testsupport
