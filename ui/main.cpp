// lumenpage: the window that converts PDF files to GIF files, one per page.

#include "ui/form1.h"
#include "ui/qtdialogs.h"

#include <QApplication>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Quillfern"));
    QCoreApplication::setApplicationName(QStringLiteral("Lumenpage"));

    QtDialogs dialogs;
    Form1 form(dialogs);
    dialogs.setOwner(&form);
    form.show();
    return app.exec();
}
