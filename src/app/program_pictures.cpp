#include "app/program_pictures.h"

#include "ui/application.h"

#if !defined(_WIN32)
#include "app/embedded_assets.h"
#endif

namespace kelvara::app {

std::vector<std::uint8_t> ProgramPictureBytes(const char* name)
{
#if defined(_WIN32)
    // Kelvara.exe carries them as RCDATA resources (assets/kelvara.rc).
    return ui::Application::Instance().Widgets().LoadResourceBytes(name);
#else
    std::span<const std::uint8_t> bytes = EmbeddedAsset(name);
    return {bytes.begin(), bytes.end()};
#endif
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
