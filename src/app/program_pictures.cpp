#include "app/program_pictures.h"

#include "app/embedded_assets.h"

namespace kelvara::app {

std::vector<std::uint8_t> ProgramPictureBytes(const char* name)
{
    std::span<const std::uint8_t> bytes = EmbeddedAsset(name);
    return {bytes.begin(), bytes.end()};
}

ui::Picture ProgramPicture(const char* name)
{
    const std::vector<std::uint8_t> bytes = ProgramPictureBytes(name);
    if (bytes.empty())
        return {};
    try {
        return ui::Picture::FromBytes(bytes);
    } catch (const ui::PictureError&) {
        return {};
    }
}

}  // namespace kelvara::app
