// Painting through Canvas (recorded and rasterised by the headless set) and the picture
// decoders for BMP and JPEG bytes.
#include <gtest/gtest.h>

#include <cstdio>
#include <vector>

#include <jpeglib.h>

#include "ui/canvas.h"
#include "ui/containers.h"
#include "ui/form.h"
#include "ui/headless/recording_canvas.h"
#include "ui/picture.h"
#include "ui/standard_controls.h"
#include "ui/win_control.h"
#include "ui_fixture.h"

namespace kelvara::ui::testing {
namespace {

using headless::DrawOp;

TEST(AccessKey, MarksAreStrippedAndTheKeyFound) {
    struct Case {
        const char* caption;
        const char* plain;
        int underline;
        char key;
    };
    const Case cases[] = {
        {"&Help", "Help", 0, 'h'},     {"H&omepage", "Homepage", 1, 'o'}, {"A&&B", "A&B", -1, 0},
        {"Exit", "Exit", -1, 0},       {"Trailing&", "Trailing", -1, 0},  {"&&&Yes", "&Yes", 1, 'y'},
        {"S&wedish", "Swedish", 1, 'w'}, {"", "", -1, 0},
    };
    for (const Case& c : cases) {
        int underline = 99;
        EXPECT_EQ(StripAccessKey(c.caption, &underline), c.plain) << c.caption;
        EXPECT_EQ(underline, c.underline) << c.caption;
        EXPECT_EQ(AccessKeyOf(c.caption), c.key) << c.caption;
    }
}

// Windows' rule for a typed access key: the character after a single '&', either letter case;
// "&&" shows an ampersand and is no key; only the first mark counts.
TEST(AccessKey, TypedCharacterMatchesAsWindowsDoes) {
    struct Case {
        const char* caption;
        char typed;
        bool matches;
    };
    const Case cases[] = {
        {"&Help", 'h', true},      {"&Help", 'H', true},     {"&Help", 'e', false},
        {"H&omepage", 'O', true},  {"A&&B", '&', false},     {"A&&B", 'b', false},
        {"&&&Yes", 'y', true},     {"Trailing&", '&', false}, {"Exit", 'e', false},
        {"&1 day", '1', true},     {"&Open && &Close", 'c', false}, {"&Open && &Close", 'o', true},
        {"", 0, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(MatchesAccessKey(c.caption, c.typed), c.matches) << c.caption << " typed '" << c.typed << "'";
}

// A windowless control that paints past its own bounds: the canvas must clip it.
class Blot : public GraphicControl {
public:
    void Paint(Canvas& c) override {
        c.FillRect({-20, -20, 200, 200}, clRed);
        c.Line({0, 0}, {Width(), Height()}, clBlue);
    }
};

class Swatch : public CustomControl {
public:
    void Paint(Canvas& c) override { c.FillRect(ClientRect(), Rgb(0, 128, 0)); }
};

class CanvasTest : public UiTest {};

TEST_F(CanvasTest, TheFormPaintsItsWindowlessControlsClippedInComponentOrder) {
    Form form;
    form.SetClientSize(100, 60);
    form.SetColor(clWhite);
    form.Add<Blot>("blot", {10, 10, 20, 10});
    auto& label = form.Add<TLabel>("label", {15, 12, 40, 13});
    label.SetCaption("&Save");
    label.SetTransparent(true);
    form.Add<Swatch>("swatch", {70, 40, 10, 10});
    form.Realize();
    ui->PressCueKey(form, CueKey::Alt);   // the underline shows once the keyboard is used
    auto canvas = ui->PaintForm(form);
    EXPECT_EQ(canvas->PixelAt(5, 5), clWhite);     // the form's colour
    EXPECT_EQ(canvas->PixelAt(29, 19), clRed);     // inside the blot
    EXPECT_EQ(canvas->PixelAt(30, 10), clWhite);   // just right of it: clipped
    EXPECT_EQ(canvas->PixelAt(9, 9), clWhite);     // above-left: clipped
    EXPECT_EQ(canvas->PixelAt(10, 10), clBlue);    // the line starts at its origin
    EXPECT_EQ(canvas->PixelAt(75, 45), Rgb(0, 128, 0));
    ASSERT_EQ(canvas->Texts(), (std::vector<std::string>{"Save"}));
    const DrawOp* text = nullptr;
    for (const DrawOp& op : canvas->Ops())
        if (op.kind == DrawOp::Text) text = &op;
    EXPECT_EQ(text->rect, (Rect{15, 12, 40, 13}));
    EXPECT_EQ(text->underline, 0);
    EXPECT_EQ(text->color, DefaultSystemColor(8));  // window text, resolved
}

// A bevelled panel is lowered, drawn as Windows draws a sunken outer edge (BDR_SUNKENOUTER):
// the button shadow along the top and left, the button highlight along the bottom and right.
TEST_F(CanvasTest, ABevelledPanelIsLowered) {
    Form form;
    form.SetClientSize(60, 30);
    form.SetColor(clWhite);
    auto& rule = form.Add<TPanel>("rule", {10, 10, 40, 2});
    rule.SetBevel(true);
    auto& box = form.Add<TPanel>("box", {10, 15, 20, 10});
    box.SetBevel(true);
    form.Realize();
    auto canvas = ui->PaintForm(form);
    const Color shadow = DefaultSystemColor(16), highlight = DefaultSystemColor(20);
    for (int x = 11; x < 49; ++x) {
        EXPECT_EQ(canvas->PixelAt(x, 10), shadow) << x;
        EXPECT_EQ(canvas->PixelAt(x, 11), highlight) << x;
    }
    EXPECT_EQ(canvas->PixelAt(15, 15), shadow);       // top edge
    EXPECT_EQ(canvas->PixelAt(10, 20), shadow);       // left edge
    EXPECT_EQ(canvas->PixelAt(15, 24), highlight);    // bottom edge
    EXPECT_EQ(canvas->PixelAt(29, 20), highlight);    // right edge
    EXPECT_EQ(canvas->PixelAt(15, 20), clWhite);     // inside: the panel's colour, the form's
}

TEST_F(CanvasTest, ADisabledLabelIsEmbossed) {
    Form form;
    form.SetClientSize(100, 30);
    auto& label = form.Add<TLabel>("label", {0, 0, 80, 13});
    label.SetCaption("Defrag");
    label.SetEnabled(false);
    form.Realize();
    auto canvas = ui->PaintForm(form);
    std::vector<const DrawOp*> texts;
    for (const DrawOp& op : canvas->Ops())
        if (op.kind == DrawOp::Text) texts.push_back(&op);
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[0]->color, DefaultSystemColor(20));
    EXPECT_EQ(texts[0]->rect, (Rect{1, 1, 80, 13}));
    EXPECT_EQ(texts[1]->color, DefaultSystemColor(16));
}

// A see-through windowed control paints what lies behind it on the form first.
class Window : public CustomControl {
public:
    void Paint(Canvas& c) override {
        PaintParentSurface(c);
        c.FillRect({2, 2, 2, 2}, clBlue);
    }
};

TEST_F(CanvasTest, ACustomControlCanPaintTheFormSurfaceBehindIt) {
    Form form;
    form.SetClientSize(60, 40);
    form.SetColor(clWhite);
    form.Add<Blot>("blot", {20, 10, 10, 10});
    form.Add<Window>("window", {15, 5, 20, 20});
    form.Realize();
    auto canvas = ui->PaintForm(form);
    EXPECT_EQ(canvas->PixelAt(16, 6), clWhite);  // the form's colour behind the window
    EXPECT_EQ(canvas->PixelAt(25, 12), clRed);   // the blot behind it (off its diagonal line)
    EXPECT_EQ(canvas->PixelAt(17, 7), clBlue);   // its own drawing on top
    EXPECT_EQ(canvas->PixelAt(40, 30), clWhite);
}

TEST_F(CanvasTest, FormsMeasureTextInTheirFont) {
    Form form;
    Font bold = form.GetFont();
    bold.bold = true;
    EXPECT_EQ(form.TextWidth("Analyze Registry"), headless::RecordingCanvas::MeasureText("Analyze Registry", form.GetFont()).width);
    EXPECT_GT(form.TextWidth("Analyze Registry", bold), form.TextWidth("Analyze Registry"));
    EXPECT_GT(form.TextWidth("Registry analysieren"), form.TextWidth("Analyze Registry"));
}

TEST(TextMetrics, WidthsGrowWithTextBoldnessAndSize) {
    Font normal;
    Font bold = normal;
    bold.bold = true;
    Font large = normal;
    large.height = -22;
    using headless::RecordingCanvas;
    EXPECT_EQ(RecordingCanvas::MeasureText("", normal).width, 0);
    EXPECT_LT(RecordingCanvas::MeasureText("Exit", normal).width, RecordingCanvas::MeasureText("Exit", bold).width);
    EXPECT_LT(RecordingCanvas::MeasureText("ill", normal).width, RecordingCanvas::MeasureText("WMW", normal).width);
    EXPECT_EQ(RecordingCanvas::MeasureText("Exit", large).width, 2 * RecordingCanvas::MeasureText("Exit", normal).width);
    EXPECT_EQ(RecordingCanvas::MeasureText("Exit", normal).height, 13);
}

// ---- BMP

std::vector<std::uint8_t> Bmp(int width, int height, int bits, const std::vector<std::uint8_t>& pixelRows,
                              const std::vector<std::uint8_t>& palette = {}) {
    std::vector<std::uint8_t> b(54 + palette.size());
    auto put32 = [&](std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
    };
    b[0] = 'B';
    b[1] = 'M';
    put32(2, static_cast<std::uint32_t>(54 + palette.size() + pixelRows.size()));
    put32(10, static_cast<std::uint32_t>(54 + palette.size()));
    put32(14, 40);
    put32(18, static_cast<std::uint32_t>(width));
    put32(22, static_cast<std::uint32_t>(height));
    b[26] = 1;
    b[28] = static_cast<std::uint8_t>(bits);
    put32(46, static_cast<std::uint32_t>(palette.size() / 4));  // colours used
    std::copy(palette.begin(), palette.end(), b.begin() + 54);
    b.insert(b.end(), pixelRows.begin(), pixelRows.end());
    return b;
}

TEST(BmpDecoder, BottomUpTwentyFourBitRowsWithPadding) {
    // 2 x 2: rows of 6 bytes padded to 8, bottom row first (blue, green), then (red, white).
    std::vector<std::uint8_t> rows = {255, 0, 0, 0, 255, 0, 0, 0, 0, 0, 255, 255, 255, 255, 0, 0};
    Picture p = Picture::FromBmp(Bmp(2, 2, 24, rows));
    ASSERT_EQ(p.Width(), 2);
    ASSERT_EQ(p.Height(), 2);
    EXPECT_EQ(p.Pixel(0, 0), clRed);
    EXPECT_EQ(p.Pixel(1, 0), clWhite);
    EXPECT_EQ(p.Pixel(0, 1), clBlue);
    EXPECT_EQ(p.Pixel(1, 1), Rgb(0, 255, 0));
}

TEST(BmpDecoder, TopDownAndPalettePictures) {
    std::vector<std::uint8_t> palette = {0, 0, 0, 0, 0, 0, 255, 0};  // black, red
    std::vector<std::uint8_t> rows = {0x01, 0, 0, 0, 0x00, 0, 0, 0};  // 1 x 2, 8 bits
    Picture p = Picture::FromBmp(Bmp(1, -2, 8, rows, palette));
    EXPECT_EQ(p.Pixel(0, 0), clRed);
    EXPECT_EQ(p.Pixel(0, 1), clBlack);
    std::vector<std::uint8_t> mono = {0x80, 0, 0, 0};  // 1 bit: the first pixel is colour 1
    EXPECT_EQ(Picture::FromBmp(Bmp(1, 1, 1, mono, palette)).Pixel(0, 0), clRed);
}

TEST(BmpDecoder, DamagedFilesAreRefusedWithAReason) {
    std::vector<std::uint8_t> rows(16, 0);
    struct Case {
        const char* what;
        std::vector<std::uint8_t> bytes;
    };
    auto truncated = Bmp(2, 2, 24, rows);
    truncated.resize(truncated.size() - 3);
    auto badIndex = Bmp(1, 1, 8, {5, 0, 0, 0}, {0, 0, 0, 0});
    auto huge = Bmp(100000, 1, 24, rows);
    auto compressed = Bmp(2, 2, 24, rows);
    compressed[30] = 1;
    const Case cases[] = {
        {"signature", {'X', 'M', 0, 0}},
        {"pixel data", truncated},
        {"outside the palette", badIndex},
        {"size", huge},
        {"compressed", compressed},
        {"bits", Bmp(2, 2, 16, rows)},
    };
    for (const Case& c : cases) {
        try {
            Picture::FromBmp(c.bytes);
            ADD_FAILURE() << c.what << ": accepted";
        } catch (const PictureError& e) {
            EXPECT_NE(std::string(e.what()).find("BMP"), std::string::npos) << e.what();
        }
    }
}

// ---- JPEG: encoded here with libjpeg, so the decoder meets a real file

std::vector<std::uint8_t> EncodeJpeg(int width, int height, Color left, Color right) {
    jpeg_compress_struct info{};
    jpeg_error_mgr err{};
    info.err = jpeg_std_error(&err);
    jpeg_create_compress(&info);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &out, &size);
    info.image_width = static_cast<JDIMENSION>(width);
    info.image_height = static_cast<JDIMENSION>(height);
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 95, TRUE);
    jpeg_start_compress(&info, TRUE);
    std::vector<std::uint8_t> row(static_cast<std::size_t>(width) * 3);
    for (int x = 0; x < width; ++x) {
        Color c = x < width / 2 ? left : right;
        row[x * 3] = static_cast<std::uint8_t>(RedOf(c));
        row[x * 3 + 1] = static_cast<std::uint8_t>(GreenOf(c));
        row[x * 3 + 2] = static_cast<std::uint8_t>(BlueOf(c));
    }
    while (info.next_scanline < info.image_height) {
        JSAMPROW r = row.data();
        jpeg_write_scanlines(&info, &r, 1);
    }
    jpeg_finish_compress(&info);
    std::vector<std::uint8_t> bytes(out, out + size);
    jpeg_destroy_compress(&info);
    std::free(out);
    return bytes;
}

bool Near(Color a, Color b) {
    return std::abs(RedOf(a) - RedOf(b)) < 12 && std::abs(GreenOf(a) - GreenOf(b)) < 12 &&
           std::abs(BlueOf(a) - BlueOf(b)) < 12;
}

TEST(JpegDecoder, DecodesARealFile) {
    auto bytes = EncodeJpeg(32, 16, Rgb(200, 30, 30), Rgb(30, 30, 200));
    Picture p = Picture::FromBytes(bytes);
    ASSERT_EQ(p.Width(), 32);
    ASSERT_EQ(p.Height(), 16);
    EXPECT_TRUE(Near(p.Pixel(2, 8), Rgb(200, 30, 30)));
    EXPECT_TRUE(Near(p.Pixel(29, 8), Rgb(30, 30, 200)));
}

TEST(JpegDecoder, DamagedFilesAreRefusedWithAReason) {
    auto bytes = EncodeJpeg(16, 16, clRed, clBlue);
    std::vector<std::vector<std::uint8_t>> damaged = {
        {},
        {0xFF, 0xD8, 0xFF},
        std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + 40),
    };
    auto noise = bytes;
    for (std::size_t i = 2; i < 200 && i < noise.size(); ++i) noise[i] = static_cast<std::uint8_t>(i * 37);
    damaged.push_back(noise);
    for (const auto& d : damaged) {
        try {
            Picture::FromJpeg(d);
            // libjpeg may accept a damaged tail with warnings; a picture of the right size is fine then.
        } catch (const PictureError& e) {
            EXPECT_EQ(std::string(e.what()).rfind("JPEG: ", 0), 0u) << e.what();
        }
    }
    EXPECT_THROW(Picture::FromJpeg(damaged[0]), PictureError);
    EXPECT_THROW(Picture::FromJpeg(damaged[1]), PictureError);
    EXPECT_THROW(Picture::FromBytes(std::vector<std::uint8_t>{'G', 'I', 'F'}), PictureError);
}

TEST_F(CanvasTest, PicturesDrawAtAPointWithATransparentColourOrStretched) {
    Picture pic(2, 2, clRed);
    pic.SetPixel(0, 0, clBlue);  // the see-through colour
    headless::RecordingCanvas canvas({10, 10}, clWhite);
    canvas.Draw({1, 1}, pic, clBlue);
    EXPECT_EQ(canvas.PixelAt(1, 1), clWhite);
    EXPECT_EQ(canvas.PixelAt(2, 2), clRed);
    canvas.StretchDraw({4, 4, 6, 6}, pic);
    EXPECT_EQ(canvas.PixelAt(4, 4), clBlue);  // stretched: drawn opaque
    EXPECT_EQ(canvas.PixelAt(9, 9), clRed);
    EXPECT_EQ(canvas.PixelAt(6, 4), clBlue);  // each source pixel covers 3 x 3
    EXPECT_EQ(canvas.PixelAt(7, 4), clRed);
}

}  // namespace
}  // namespace kelvara::ui::testing
