#include "tests/usb/UsbBridge.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <umockdev.h>
#include <unistd.h>
#include <vector>

UsbBridge::UsbBridge() : m_testbed(umockdev_testbed_new()) {}

UsbBridge::~UsbBridge() {
    m_modules.clear();
    g_object_unref(m_testbed);
}

int UsbBridge::addModule(const EmulatedModuleSpec& spec, Transport* peer, QString* error) {
    const int index = int(m_modules.size());
    auto module = std::make_shared<EmulatedModule>(
        m_testbed, index, spec, peer, [this, index](const QString& event) { note(index, event); });
    if (!module->plug(error))
        return -1;
    m_modules.push_back(module);
    return index;
}

void UsbBridge::unplug(int module) {
    m_modules.at(size_t(module))->unplug();
}

bool UsbBridge::replug(int module, QString* error) {
    return m_modules.at(size_t(module))->plug(error);
}

void UsbBridge::setFault(int module, const UsbFault& fault) {
    m_modules.at(size_t(module))->setFault(fault);
}

EmulatedModule::Counters UsbBridge::counters(int module) {
    return m_modules.at(size_t(module))->counters();
}

QByteArray UsbBridge::lastPacket(int module, uint32_t code) {
    return m_modules.at(size_t(module))->lastPacket(code);
}

QStringList UsbBridge::events() {
    std::lock_guard<std::mutex> lock(m_eventLock);
    return m_events;
}

void UsbBridge::setEventSink(EmulatedModule::EventSink sink) {
    std::lock_guard<std::mutex> lock(m_eventLock);
    m_sink = std::move(sink);
}

void UsbBridge::note(int module, const QString& event) {
    const QString line = QStringLiteral("module %1: %2").arg(module).arg(event);
    std::lock_guard<std::mutex> lock(m_eventLock);
    m_events << line;
    if (m_sink)
        m_sink(line);
}

void reexecUnderUmockdev(char** argv) {
    const char* preload = std::getenv("LD_PRELOAD");
    if (preload && std::strstr(preload, "umockdev"))
        return;
    // The sanitizers' runtime must come first among the libraries unless told otherwise; the
    // preload library is put before it.
    const char* asan = std::getenv("ASAN_OPTIONS");
    std::string options = asan ? std::string(asan) + ":" : std::string();
    setenv("ASAN_OPTIONS", (options + "verify_asan_link_order=0").c_str(), 1);
    std::vector<char*> args{const_cast<char*>("umockdev-wrapper")};
    for (char** arg = argv; *arg; ++arg)
        args.push_back(*arg);
    args.push_back(nullptr);
    execvp(args[0], args.data());
    std::perror("umockdev-wrapper");
    std::exit(127);
}
