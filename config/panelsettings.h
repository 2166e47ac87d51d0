// PanelSettings: the values config.xml holds, with what became of the file as last read.
#pragma once

#include "config/configdefaults.h"
#include "config/telemetrysettings.h"
#include "motion/travellimits.h"

#include <QString>

struct PanelSettings {
    double speedXY = Ptx::DefaultSpeedXY;
    double stepsPerMMxy = Ptx::DefaultStepsPerMMxy;
    double cenSpeedXY = Ptx::DefaultCenSpeedXY;
    double defxincr = Ptx::DefaultIncrXY;
    double defyincr = Ptx::DefaultIncrXY;
    bool loadptEnXY = false;
    bool loadptEnZ = false;
    double loadptX = Ptx::DefaultLoadPoint;
    double loadptY = Ptx::DefaultLoadPoint;
    double loadptZ = Ptx::DefaultLoadPoint;
    double speedZ = Ptx::DefaultSpeedZ;
    double micronsPerStepZ = Ptx::DefaultMicronsPerStepZ;
    double defzincr = Ptx::DefaultIncrZ;
    QString defaultRecipeName;
    bool doRecipeAutoStart = false;
    Ptx::TravelLimits travelLimits;
    Ptx::TelemetrySettings telemetry;

    // What the operator must know about the file as last read; empty when it was fine.
    QString configNoticeText;
    bool keepConfigFile = false;    // the unreadable file has no copy: do not overwrite it
};
