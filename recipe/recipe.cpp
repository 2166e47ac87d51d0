// Placeholder bodies, replaced as the subsystem is written.
#include "controller/kelinterface.h"

void KelInterface::setRecipe(QStringList list)
{
    Q_UNUSED(list);
}

QStringList KelInterface::getRecipe()
{
    return {};
}

void KelInterface::setFileName(QString name)
{
    Q_UNUSED(name);
}

QString KelInterface::getFileName()
{
    return {};
}

void KelInterface::saveRcp()
{
}

void KelInterface::loadRcp()
{
}

int KelInterface::ScanRecipe()
{
    return 0;
}

int KelInterface::ProcessRecipe()
{
    return 0;
}

int KelInterface::ProcessLine()
{
    return 0;
}

int KelInterface::AddPoint(double x, double y, double z, bool zmove)
{
    Q_UNUSED(x);
    Q_UNUSED(y);
    Q_UNUSED(z);
    Q_UNUSED(zmove);
    return 0;
}

int KelInterface::AddFiltPoint(int f1pos, int f2pos, bool f1move, bool f2move, unsigned int shopt, bool fmacro)
{
    Q_UNUSED(f1pos);
    Q_UNUSED(f2pos);
    Q_UNUSED(f1move);
    Q_UNUSED(f2move);
    Q_UNUSED(shopt);
    Q_UNUSED(fmacro);
    return 0;
}

int KelInterface::AddRptPoint(double x, double y, double z, bool zmove)
{
    Q_UNUSED(x);
    Q_UNUSED(y);
    Q_UNUSED(z);
    Q_UNUSED(zmove);
    return 0;
}

int KelInterface::AddFiltRptPoint(int f1pos, int f2pos, bool f1move, bool f2move, unsigned int shopt, bool fmacro)
{
    Q_UNUSED(f1pos);
    Q_UNUSED(f2pos);
    Q_UNUSED(f1move);
    Q_UNUSED(f2move);
    Q_UNUSED(shopt);
    Q_UNUSED(fmacro);
    return 0;
}

int KelInterface::AddFiltMacroPoint(int f1pos, int f2pos, bool f1move, bool f2move, unsigned int shopt, bool fmacro)
{
    Q_UNUSED(f1pos);
    Q_UNUSED(f2pos);
    Q_UNUSED(f1move);
    Q_UNUSED(f2move);
    Q_UNUSED(shopt);
    Q_UNUSED(fmacro);
    return 0;
}
