#pragma once

#include <QString>

// Where the ErrorBox says a failure in one of the window's procedures happened.
namespace Form1Locations {
inline const QString FormLoad = QStringLiteral("in Lumenpg2017/04/05.Form1.Form_Load ");
inline const QString FormQueryUnload = QStringLiteral("in Lumenpg2017/04/05.Form1.Form_QueryUnload ");
inline const QString PushButton1Click = QStringLiteral("in Lumenpg2017/04/05.Form1.PushButton1_Click ");
inline const QString PushButton4Click = QStringLiteral("in Lumenpg2017/04/05.Form1.PushButton4_Click ");
inline const QString PushButton5Click = QStringLiteral("in Lumenpg2017/04/05.Form1.PushButton5_Click ");
inline const QString PushButton6Click = QStringLiteral("in Lumenpg2017/04/05.Form1.PushButton6_Click ");
inline const QString PushButton7Click = QStringLiteral("in Lumenpg2017/04/05.Form1.PushButton7_Click ");
inline const QString PushButton8Click = QStringLiteral("in Lumenpg2017/04/05.Form1.PushButton8_Click ");
} // namespace Form1Locations
