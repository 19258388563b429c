// Draws the program's own artwork: the start-up splash (resources/skin/vssplash), the
// thumbnail placeholders (resources/skin/thumb_*.png) and the assistants' side-bar picture
// (resources/skin/wizard/sidebar.png). Run once when the artwork changes; the
// results are committed.
// clang-format off
//   g++ scripts/make-skin-art.cpp $(pkg-config --cflags --libs Magick++) -o /tmp/art && /tmp/art resources/skin
// clang-format on
#include <Magick++.h>
#include <string>
#include <vector>

namespace {

// A 160 x 120 tile with a rounded frame, a symbol and a caption.
void placeholder(const std::string& path, const std::string& symbol, const std::string& caption,
                 const std::string& colour)
{
    Magick::Image tile(Magick::Geometry(160, 120), Magick::Color("#f3f5f7"));
    tile.strokeColor(Magick::Color("#c9d1d9"));
    tile.strokeWidth(2);
    tile.fillColor(Magick::Color("#f3f5f7"));
    tile.draw(Magick::DrawableRoundRectangle(3, 3, 156, 116, 10, 10));
    tile.strokeWidth(0);
    tile.fillColor(Magick::Color(colour));
    tile.font("DejaVu-Sans-Bold");
    tile.fontPointsize(40);
    tile.annotate(symbol, Magick::Geometry(160, 80, 0, 6), Magick::CenterGravity);
    tile.fillColor(Magick::Color("#5b6770"));
    tile.font("DejaVu-Sans");
    tile.fontPointsize(13);
    tile.annotate(caption, Magick::Geometry(160, 30, 0, 84), Magick::NorthGravity);
    tile.write(path);
}

} // namespace

int main(int argc, char** argv)
{
    Magick::InitializeMagick(argv[0]);
    const std::string skin = argc > 1 ? argv[1] : ".";
    const std::string dir = skin + "/vssplash";

    Magick::Image splash(Magick::Geometry(520, 320), Magick::Color("#1d3b53"));
    splash.read("gradient:#1d3b53-#3f7f8c");
    splash.resize(Magick::Geometry("520x320!"));
    splash.fillColor(Magick::Color(255 * 257, 255 * 257, 255 * 257, 56000));
    splash.draw(Magick::DrawableCircle(420, 80, 520, 80));
    splash.fillColor(Magick::Color(255 * 257, 255 * 257, 255 * 257, 60000));
    splash.draw(Magick::DrawableCircle(90, 300, 200, 300));
    splash.quality(90);
    splash.write(dir + "/splash.jpg");

    Magick::Image logo(Magick::Geometry(300, 70), Magick::Color("transparent"));
    logo.fillColor("white");
    logo.font("DejaVu-Sans-Bold");
    logo.fontPointsize(44);
    logo.draw(Magick::DrawableText(4, 52, "Vistrelle"));
    logo.write(dir + "/splash_logo.png");

    Magick::Image vendor(Magick::Geometry(140, 30), Magick::Color("transparent"));
    vendor.fillColor("#e8f1f2");
    vendor.font("DejaVu-Sans");
    vendor.fontPointsize(18);
    vendor.draw(Magick::DrawableText(2, 22, "Quorvel"));
    vendor.write(dir + "/splash_vendor.png");

    // The assistants' side bar is 160 pixels wide; the picture heads it in the splash's colours.
    Magick::Image sidebar(Magick::Geometry(160, 96), Magick::Color("#1d3b53"));
    sidebar.read("gradient:#1d3b53-#3f7f8c");
    sidebar.resize(Magick::Geometry("160x96!"));
    sidebar.fillColor(Magick::Color(255 * 257, 255 * 257, 255 * 257, 56000));
    sidebar.draw(Magick::DrawableCircle(130, 18, 175, 18));
    sidebar.fillColor(Magick::Color(255 * 257, 255 * 257, 255 * 257, 60000));
    sidebar.draw(Magick::DrawableCircle(22, 96, 62, 96));
    sidebar.fillColor("white");
    sidebar.font("DejaVu-Sans-Bold");
    sidebar.fontPointsize(22);
    sidebar.annotate("Vistrelle", Magick::Geometry(160, 96, 0, 0), Magick::CenterGravity);
    sidebar.write(skin + "/wizard/sidebar.png");

    placeholder(skin + "/thumb_loading.png", "\u2026", "Loading", "#7a8a96");
    placeholder(skin + "/thumb_video.png", "\u25B6", "Video", "#3f7f8c");
    placeholder(skin + "/thumb_audio.png", "\u266B", "Audio", "#3f7f8c");
    placeholder(skin + "/thumb_encrypted.png", "PGP", "Encrypted", "#8c6a3f");
    placeholder(skin + "/thumb_file.png", "\u2630", "File", "#7a8a96");
    placeholder(skin + "/thumb_sswait.png", "\u21BB", "Waiting", "#3f7f8c");
    placeholder(skin + "/thumb_invalid.png", "\u2715", "Cannot show", "#b0413e");
    return 0;
}
