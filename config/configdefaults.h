// Default values of the settings kept in "config.xml", and the element names of that file.
#pragma once

namespace Ptx {

constexpr double DefaultSpeedXY = 5.0;          // mm/s
constexpr double DefaultStepsPerMMxy = 10000.0; // steps per mm
constexpr double DefaultCenSpeedXY = 5.0;       // mm/s
constexpr double DefaultIncrXY = 1.0;           // mm
constexpr double DefaultLoadPoint = 0.0;        // mm (X, Y) and microns (Z)
constexpr double DefaultSpeedZ = 25000.0;       // steps/s
constexpr double DefaultMicronsPerStepZ = 0.1;  // microns per step
constexpr double DefaultIncrZ = 1.0;            // microns

// The broker of a telemetry element without one: a broker on the panel itself.
constexpr const char *DefaultTelemetryBroker = "127.0.0.1";

// A file that cannot be parsed is kept beside the new one under its name plus this.
constexpr const char *BadConfigSuffix = ".bad";

namespace ConfigKey {
constexpr const char *Root = "archive";
constexpr const char *IpAddr = "ipaddr";
constexpr const char *Stage = "stage";
constexpr const char *Focus = "focus";
constexpr const char *Recipe = "recipe";
constexpr const char *Speed = "speed";
constexpr const char *StepsPerMM = "stepspmm";
constexpr const char *CenSpeed = "censpeed";
constexpr const char *DefIncr = "defincr";
constexpr const char *CenOnStart = "cenonstart";
constexpr const char *LoadPtX = "loadptX";
constexpr const char *LoadPtY = "loadptY";
constexpr const char *LoadPtZ = "loadptZ";
constexpr const char *LoadPtXYEnable = "loadptxyenable";
constexpr const char *LoadPtZEnable = "loadptzenable";
constexpr const char *MicronsPerStep = "micronsperstep";
constexpr const char *FileName = "filename";
constexpr const char *AutoStart = "autostart";
// Optional travel limits: X and Y under stage (mm), Z under focus (microns).
constexpr const char *XMin = "xmin";
constexpr const char *XMax = "xmax";
constexpr const char *YMin = "ymin";
constexpr const char *YMax = "ymax";
constexpr const char *ZMin = "zmin";
constexpr const char *ZMax = "zmax";
// Optional telemetry: present only when the panel publishes its state to a broker.
constexpr const char *Telemetry = "telemetry";
constexpr const char *Broker = "broker";
constexpr const char *Prefix = "prefix";
constexpr const char *User = "user";
constexpr const char *Password = "password";
constexpr const char *CaFile = "cafile";
} // namespace ConfigKey

} // namespace Ptx
