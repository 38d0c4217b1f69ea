#include "qel/AppName.hpp"

#include <QCoreApplication>

AppName::AppName()
{
    QString n = QCoreApplication::instance() ? QCoreApplication::applicationName() : QString();
    maTitel = n.isEmpty() ? String("QelVXN") : String(n.toUtf8().toStdString());
}

AppName* AppName::Instance()
{
    static AppName a;
    return &a;
}
