// The project's text form: any bytes either load whole or are refused with a reason and leave
// the configuration untouched; what loads writes back as JSON and as a project file, and both
// read back to the same configuration.
#include <cstdint>
#include <cstdlib>

#include <QByteArray>
#include <QString>

#include "model/Configuration.h"
#include "store/ProjectFile.h"
#include "store/ProjectJson.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray json = QByteArray::fromRawData(reinterpret_cast<const char*>(data),
                                                    qsizetype(size));
    qz::Configuration config;
    QString error;
    if (!qz::ProjectFromJson(json, config, &error)) {
        if (error.isEmpty() || !(config == qz::Configuration())) {
            std::abort();
        }
        return 0;
    }
    qz::Configuration again;
    if (!qz::ProjectFromJson(qz::ProjectToJson(config), again) || !(again == config)) {
        std::abort();
    }
    qz::Configuration fromBytes;
    if (!qz::DecodeProject(qz::EncodeProject(config), fromBytes) || !(fromBytes == config)) {
        std::abort();
    }
    return 0;
}
