// Draws the picture map's help picture (resources/help/countrysel.png): a sketch of the main
// window's right-hand side with the Keywords tab (1) and the country list (2) that the
// "How To Register Country Information" panel refers to. Run once when it should change; the
// result is committed.
// clang-format off
//   g++ scripts/make-map-help.cpp $(pkg-config --cflags --libs Magick++) -o /tmp/maphelp && /tmp/maphelp resources/help
// clang-format on
#include <Magick++.h>
#include <string>
#include <vector>

namespace {

void text(Magick::Image& image, int x, int y, const std::string& words, int size, bool bold,
          const std::string& colour)
{
    image.fillColor(Magick::Color(colour));
    image.strokeColor(Magick::Color("transparent"));
    image.strokeWidth(0);
    image.font(bold ? "DejaVu-Sans-Bold" : "DejaVu-Sans");
    image.fontPointsize(size);
    image.draw(Magick::DrawableText(x, y, words));
}

void badge(Magick::Image& image, int x, int y, const std::string& number)
{
    image.fillColor(Magick::Color("#c0392b"));
    image.strokeColor(Magick::Color("white"));
    image.strokeWidth(2);
    image.draw(Magick::DrawableCircle(x, y, x + 12, y));
    text(image, x - 4, y + 5, number, 14, true, "white");
}

} // namespace

int main(int argc, char** argv)
{
    Magick::InitializeMagick(argv[0]);
    const std::string dir = argc > 1 ? argv[1] : ".";
    Magick::Image image(Magick::Geometry(460, 250), Magick::Color("#f6f5f4"));

    // Thumbnails on the left: the pictures to give a country.
    image.strokeColor(Magick::Color("#c9d1d9"));
    image.strokeWidth(1);
    for (int row = 0; row < 2; ++row) {
        for (int column = 0; column < 3; ++column) {
            const bool chosen = row == 0 && column < 2;
            image.fillColor(Magick::Color(chosen ? "#7fa7c9" : "#d9dee3"));
            image.strokeColor(Magick::Color(chosen ? "#3584e4" : "#c9d1d9"));
            image.strokeWidth(chosen ? 3 : 1);
            const int x = 14 + column * 72;
            const int y = 46 + row * 70;
            image.draw(Magick::DrawableRectangle(x, y, x + 62, y + 54));
        }
    }

    // The sidebar with its tabs.
    image.strokeColor(Magick::Color("#c9d1d9"));
    image.strokeWidth(1);
    image.fillColor(Magick::Color("white"));
    image.draw(Magick::DrawableRectangle(236, 34, 450, 240));
    const std::vector<std::string> tabs = {"Inbox", "Keywords", "Cart"};
    for (size_t i = 0; i < tabs.size(); ++i) {
        const int x = 236 + int(i) * 72;
        const bool current = tabs[i] == "Keywords";
        image.fillColor(Magick::Color(current ? "white" : "#e3e6e9"));
        image.strokeColor(Magick::Color("#c9d1d9"));
        image.strokeWidth(1);
        image.draw(Magick::DrawableRectangle(x, 12, x + 70, 34));
        text(image, x + 8, 28, tabs[i], 11, current, "#2e3436");
    }
    badge(image, 376, 12, "1");

    text(image, 248, 60, "Country:", 11, true, "#2e3436");
    image.fillColor(Magick::Color("white"));
    image.strokeColor(Magick::Color("#9aa4ad"));
    image.strokeWidth(1);
    image.draw(Magick::DrawableRectangle(248, 68, 436, 170));
    const std::vector<std::string> countries = {"Netherlands", "New Zealand", "Norway", "Oman",
                                                "Poland"};
    for (size_t i = 0; i < countries.size(); ++i) {
        const int y = 70 + int(i) * 20;
        if (countries[i] == "Norway") {
            image.fillColor(Magick::Color("#3584e4"));
            image.strokeWidth(0);
            image.draw(Magick::DrawableRectangle(249, y, 435, y + 19));
        }
        text(image, 256, y + 15, countries[i], 11, false,
             countries[i] == "Norway" ? "white" : "#2e3436");
    }
    badge(image, 436, 110, "2");
    text(image, 248, 196, "City:", 11, true, "#2e3436");
    image.fillColor(Magick::Color("white"));
    image.strokeColor(Magick::Color("#9aa4ad"));
    image.draw(Magick::DrawableRectangle(248, 204, 436, 226));
    image.write(dir + "/countrysel.png");
    return 0;
}
