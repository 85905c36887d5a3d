// The project reader on any bytes: it either loads, and then saving, loading again and the JSON
// form all agree, or it refuses with an offset inside the input and leaves the configuration as
// it was. The checks and the upload plan run on whatever loaded.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "model/Configuration.h"
#include "model/UploadPlan.h"
#include "library/ProjectCheck.h"
#include "store/ProjectFile.h"
#include "store/ProjectJson.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    qz::Configuration config;
    std::string error;
    std::size_t offset = 0;
    if (!qz::DecodeProject(bytes, config, &error, &offset)) {
        if (offset > size || error.empty() || !(config == qz::Configuration())) {
            std::abort();
        }
        return 0;
    }
    const std::string saved = qz::EncodeProject(config);
    qz::Configuration again;
    if (!qz::DecodeProject(saved, again) || !(again == config) ||
        qz::EncodeProject(again) != saved) {
        std::abort();
    }
    qz::Configuration fromJson;
    if (!qz::ProjectFromJson(qz::ProjectToJson(config), fromJson) || !(fromJson == config)) {
        std::abort();
    }
    qz::CheckProject(config);
    qz::BuildUploadPlan(config);
    return 0;
}
