// Draws the start-up splash artwork in resources/skin/vssplash. Run once when the artwork
// changes; the results are committed.
//   g++ scripts/make-splash-art.cpp $(pkg-config --cflags --libs Magick++) -o /tmp/art && /tmp/art resources/skin/vssplash
#include <Magick++.h>
#include <string>

int main(int argc, char** argv)
{
    Magick::InitializeMagick(argv[0]);
    const std::string dir = argc > 1 ? argv[1] : ".";

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
    return 0;
}
