#include "terminal/SystemPorts.h"

#include <windows.h>
#include <setupapi.h>
#include <devguid.h>

#include <algorithm>
#include <vector>

namespace vx {

namespace {

// What SetupAPI knows of the port devices, by their port name ("COM3"):
// the description and the manufacturer the driver gives.
void describeFromSetupApi(QList<SystemPort> &ports)
{
    HDEVINFO set = SetupDiGetClassDevsW(&GUID_DEVCLASS_PORTS, nullptr, nullptr, DIGCF_PRESENT);
    if (set == INVALID_HANDLE_VALUE)
        return;
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof device;
    const auto property = [&](DWORD which) {
        wchar_t text[256] = {};
        return SetupDiGetDeviceRegistryPropertyW(set, &device, which, nullptr, reinterpret_cast<BYTE *>(text),
                                                 sizeof text - sizeof(wchar_t), nullptr)
            ? QString::fromWCharArray(text)
            : QString();
    };
    for (DWORD i = 0; SetupDiEnumDeviceInfo(set, i, &device); ++i) {
        HKEY key = SetupDiOpenDevRegKey(set, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ);
        if (key == INVALID_HANDLE_VALUE)
            continue;
        wchar_t name[64] = {};
        DWORD size = sizeof name - sizeof(wchar_t), type = 0;
        const bool named = RegQueryValueExW(key, L"PortName", nullptr, &type, reinterpret_cast<BYTE *>(name), &size)
                == ERROR_SUCCESS
            && type == REG_SZ;
        RegCloseKey(key);
        if (!named)
            continue;
        for (SystemPort &port : ports)
            if (port.location.compare(QString::fromWCharArray(name), Qt::CaseInsensitive) == 0) {
                port.description = property(SPDRP_DEVICEDESC);
                port.manufacturer = property(SPDRP_MFG);
            }
    }
    SetupDiDestroyDeviceInfoList(set);
}

int portNumber(const QString &location) { return location.mid(3).toInt(); }

// The COMn names the system's DOS device list holds: ports of drivers that
// do not fill SERIALCOMM in (some virtual ones, Wine's mapped ones).
QStringList dosDevicePorts()
{
    std::vector<wchar_t> names(65536);
    const DWORD n = QueryDosDeviceW(nullptr, names.data(), DWORD(names.size()));
    QStringList ports;
    for (const QString &name : QString::fromWCharArray(names.data(), int(n)).split(QChar(0), Qt::SkipEmptyParts))
        if (name.size() > 3 && name.startsWith(QLatin1String("COM"), Qt::CaseInsensitive) && portNumber(name) > 0
            && QString::number(portNumber(name)) == name.mid(3))
            ports << name.toUpper();
    return ports;
}

} // namespace

// The ports are the values of HKLM\HARDWARE\DEVICEMAP\SERIALCOMM, which the
// serial drivers fill in ("\Device\Serial0" = "COM1"), and the COMn names
// of the DOS device list.
QList<SystemPort> systemPorts()
{
    QList<SystemPort> ports;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        key = nullptr;
    for (DWORD i = 0; key; ++i) {
        wchar_t name[256], data[64] = {};
        DWORD nameSize = 256, dataSize = sizeof data - sizeof(wchar_t), type = 0;
        const LONG status = RegEnumValueW(key, i, name, &nameSize, nullptr, &type, reinterpret_cast<BYTE *>(data),
                                          &dataSize);
        if (status == ERROR_NO_MORE_ITEMS)
            break;
        if (status != ERROR_SUCCESS || type != REG_SZ)
            continue;
        ports.append(SystemPort{QString::fromWCharArray(data).trimmed(), {}, {}, {}, {}});
    }
    if (key)
        RegCloseKey(key);
    for (const QString &name : dosDevicePorts())
        if (!portNamed(ports, name))
            ports.append(SystemPort{name, {}, {}, {}, {}});
    describeFromSetupApi(ports);
    std::sort(ports.begin(), ports.end(), [](const SystemPort &a, const SystemPort &b) {
        return portNumber(a.location) < portNumber(b.location);
    });
    return ports;
}

const SystemPort *portNamed(const QList<SystemPort> &ports, const QString &device)
{
    QString name = device.trimmed();
    if (name.startsWith(QLatin1String("\\\\.\\")))
        name = name.mid(4);
    for (const SystemPort &p : ports)
        if (p.location.compare(name, Qt::CaseInsensitive) == 0)
            return &p;
    return nullptr;
}

// A port of the list, or a DOS device of that name (the list may be
// incomplete: Wine, for one, leaves its mapped ports out).
bool serialDevicePresent(const QString &device, const QList<SystemPort> &ports)
{
    QString name = device.trimmed();
    if (name.startsWith(QLatin1String("\\\\.\\")))
        name = name.mid(4);
    wchar_t target[1024];
    return portNamed(ports, name) != nullptr || QueryDosDeviceW(name.toStdWString().c_str(), target, 1024) != 0;
}

} // namespace vx
