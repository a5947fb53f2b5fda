#include "core/notes/svg_picture.h"

#include "core/hmml/pitch_name.h"

#include "core/notes/roll_layout.h"

#include <array>
#include <charconv>
#include <cmath>
#include <string>

namespace formats {

namespace {

constexpr int NamesWidth = 44;
constexpr int RulerHeight = 22;
constexpr int RowHeight = 10;
constexpr int RightMargin = 10;
constexpr double DefaultPixelsPerMs = 0.1;

// The picture is built as bytes and handed over once at the end: appending
// to a std::string costs a few nanoseconds, to a QByteArray far more.
struct Out {
    std::string s;

    Out &operator<<(const char *text)
    {
        s += text;
        return *this;
    }
    Out &operator<<(const std::string &text)
    {
        s += text;
        return *this;
    }
    Out &operator<<(char c)
    {
        s += c;
        return *this;
    }
    Out &operator<<(int value)
    {
        return number(value, 0);
    }
    // `value` rounded to at most 3 `decimals`, trailing zeros dropped.
    Out &number(double value, int decimals)
    {
        static constexpr long long scales[] = {1, 10, 100, 1000};
        const double scaled = std::round(value * double(scales[decimals]));
        if (!(std::fabs(scaled) < 1e18))
            return *this << QByteArray::number(value, 'g', 17).toStdString();
        long long n = (long long)scaled;
        if (n < 0) {
            s += '-';
            n = -n;
        }
        char digits[24];
        s.append(digits, size_t(std::to_chars(digits, digits + sizeof digits, n / scales[decimals]).ptr - digits));
        long long fraction = n % scales[decimals];
        if (fraction != 0) {
            int places = decimals;
            while (fraction % 10 == 0) {
                fraction /= 10;
                --places;
            }
            s += '.';
            const char *end = std::to_chars(digits, digits + sizeof digits, fraction).ptr;
            s.append(size_t(places - (end - digits)), '0');
            s.append(digits, size_t(end - digits));
        }
        return *this;
    }
};

// Text as XML character data or an attribute value; characters XML cannot
// hold at all (most control characters) are left out.
std::string xmlText(const QString &text)
{
    QString kept;
    kept.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        const char16_t u = c.unicode();
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            kept += c;
            kept += text[++i];
        } else if ((u >= 0x20 && !c.isSurrogate() && u != 0xFFFE && u != 0xFFFF) || u == u'\t' || u == u'\n' || u == u'\r') {
            kept += c;
        }
    }
    return kept.toHtmlEscaped().toStdString();
}

struct Layout {
    notes::PitchRows rows;
    double pixelsPerMs = DefaultPixelsPerMs;
    int width = 0;
    int height = 0;
    double plotWidth() const { return width - NamesWidth - RightMargin; }
    double rowTop(int code) const { return RulerHeight + double(rows.high - code) * RowHeight; }
};

Layout layOut(const notes::SongNotes &song, int width)
{
    Layout l;
    l.rows = notes::pitchRows(song);
    const double totalMs = song.totalTicks() * 1000.0 / notes::TicksPerSecond;
    if (width > 0) {
        l.width = width;
        if (totalMs > 0)
            l.pixelsPerMs = std::max(0.0, double(width - NamesWidth - RightMargin)) / totalMs;
    } else {
        l.width = NamesWidth + int(std::ceil(totalMs * DefaultPixelsPerMs)) + RightMargin;
    }
    l.height = RulerHeight + l.rows.count() * RowHeight + 2;
    return l;
}

// Everything but the notes, back to front: the black keys' rows, the
// octaves' lines and the seconds' grid; the keyboard column with the names;
// the ruler.
void writeBackground(Out &out, const Layout &l)
{
    Out bands, keys, octaves, names;
    for (int code = l.rows.high; code >= l.rows.low; --code) {
        const double top = l.rowTop(code);
        if (notes::blackKey(code)) {
            bands << "M0 " << int(top) << 'h' << l.width << "v10H0z";
            keys << "M0 " << int(top) << "h26v10H0z";
        } else {
            names << "<text x=\"40\" y=\"" << int(top + 8) << "\">" << hmml::pitchName(code).toStdString() << "</text>\n";
        }
        if ((code - omp::CodePitchFirst) % 12 == 0)
            octaves << "M0 " << int(top + RowHeight) << 'h' << l.width;
    }
    const double step = notes::secondsStep(l.pixelsPerMs * 1000, 80);
    Out ticks, grid, labels;
    const double stepPixels = step * 1000 * l.pixelsPerMs;
    const int marks = stepPixels > 0 ? int(std::floor(l.plotWidth() / stepPixels + 1e-9)) : 0;
    for (int i = 0; i <= marks; ++i) {
        const double x = NamesWidth + i * stepPixels;
        ticks << 'M';
        ticks.number(x, 2) << " 14v8";
        grid << 'M';
        grid.number(x, 2) << ' ' << RulerHeight << 'V' << l.height;
        labels << "<text x=\"";
        labels.number(x + 2, 2) << "\" y=\"11\">";
        labels.number(i * step, 1) << "</text>\n";
    }
    out << "<path fill=\"#ebeef3\" d=\"" << bands.s << "\"/>\n";
    out << "<path stroke=\"#c0c4cc\" stroke-width=\"0.5\" d=\"" << octaves.s << "\"/>\n";
    out << "<path stroke=\"#dde0e6\" stroke-width=\"0.5\" d=\"" << grid.s << "\"/>\n";
    out << "<path fill=\"#f6f6f6\" d=\"M0 0H" << NamesWidth << 'V' << l.height << "H0zM0 0H" << l.width << 'V' << RulerHeight
        << "H0z\"/>\n";
    out << "<path fill=\"#3c4046\" d=\"" << keys.s << "\"/>\n";
    out << "<path stroke=\"#888888\" stroke-width=\"0.5\" d=\"M" << NamesWidth << " 0V" << l.height << "M0 " << RulerHeight
        << 'H' << l.width << ticks.s << "\"/>\n";
    out << "<g font-size=\"8\" text-anchor=\"end\" fill=\"#333333\">\n" << names.s << "</g>\n";
    out << "<g font-size=\"9\" fill=\"#333333\">\n<text x=\"4\" y=\"11\">秒</text>\n" << labels.s << "</g>\n";
}

} // namespace

QByteArray svgPicture(const notes::SongNotes &song, const SvgPictureOptions &options)
{
    const Layout l = layOut(song, options.width);
    std::array<std::string, 256> names; // by code
    for (int code = omp::CodePitchFirst; code < int(names.size()); ++code)
        names[size_t(code)] = hmml::pitchName(code).toStdString();
    Out out;
    out.s.reserve(size_t(2048 + song.size() * 140));
    out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" << l.width
        << "\" height=\"" << l.height << "\" viewBox=\"0 0 " << l.width << ' ' << l.height
        << "\" font-family=\"sans-serif\">\n<title>" << xmlText(options.title) << "</title>\n";
    out << "<path fill=\"#ffffff\" d=\"M0 0H" << l.width << 'V' << l.height << "H0z\"/>\n";
    writeBackground(out, l);

    out << "<g fill=\"#3a6fc4\">\n";
    for (const notes::Note &n : song.all()) {
        if (!n.sounds())
            continue;
        // A gap of a pixel between notes that follow each other, when there is room.
        const double width = n.lengthMs() * l.pixelsPerMs;
        out << "<rect x=\"";
        out.number(NamesWidth + n.startMs() * l.pixelsPerMs, 2) << "\" y=\"" << int(l.rowTop(n.code) + 1) << "\" width=\"";
        out.number(width >= 3 ? width - 1 : width, 2) << "\" height=\"8\"";
        if (song.hasLines())
            out << " data-line=\"" << n.line << '"';
        out << " data-pitch=\"" << names[size_t(n.code)] << "\" data-start-ms=\"";
        out.number(n.startMs(), 3) << "\" data-length-ms=\"";
        out.number(n.lengthMs(), 3) << '"';
        if (const std::optional<double> cents = options.cents ? options.cents->of(n.code) : std::nullopt) {
            out << " data-cents=\"";
            out.number(*cents, 1) << '"';
            if (options.cents->marked(n.code))
                out << " class=\"off\" fill=\"#d0402a\"";
        }
        out << "/>\n";
    }
    out << "</g>\n</svg>\n";
    return QByteArray(out.s.data(), qsizetype(out.s.size()));
}

} // namespace formats
