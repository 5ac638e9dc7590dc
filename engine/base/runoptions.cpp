#include "engine/base/runoptions.h"

#include "sys/errortrap.h"
#include "sys/fileutil.h"

#include <QCoreApplication>

#include <cmath>

PageCount::PageCount(const QString &text) : m_text(text), m_value(std::nearbyint(LeadingNumber(text))) {}

int PageCount::count() const
{
    if (!std::isfinite(m_value) || m_value > Max)
        throw Failure(QCoreApplication::translate("Engine", "The number of pages \"%1\" is too large: at most %2 pages can be "
                                                            "converted from one file.")
                          .arg(m_text.trimmed()).arg(Max),
                      ErrorCode::Overflow);
    return m_value < 1 ? 0 : int(m_value);
}
