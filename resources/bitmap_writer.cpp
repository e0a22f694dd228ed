#include "resources/bitmap_writer.h"

#include <QFile>
#include <QHash>
#include <QtEndian>

#include <algorithm>
#include <array>
#include <climits>
#include <vector>

namespace {

constexpr int kFileHeaderSize = 14;
constexpr int kInfoHeaderSize = 40;
constexpr int kPaletteEntrySize = 4;
constexpr int kPixelsPerMetre = 3780; // 96 dpi
constexpr int kSmallPaletteColours = 16;
constexpr int kLargePaletteColours = 256;
// A colour box whose most frequent colour covers more than this share of its
// pixels is represented by that colour instead of the average.
constexpr double kDominantShare = 0.5;

struct ColourCount {
    QRgb colour;
    qint64 count;
};

using Box = std::vector<ColourCount>;

int Channel(QRgb colour, int channel) {
    switch (channel) {
    case 0:
        return qRed(colour);
    case 1:
        return qGreen(colour);
    default:
        return qBlue(colour);
    }
}

// The channel with the widest range and that range.
std::pair<int, int> WidestChannel(const Box& box) {
    int bestChannel = 0;
    int bestRange = -1;
    for (int channel = 0; channel < 3; ++channel) {
        auto [low, high] = std::minmax_element(box.begin(), box.end(), [&](auto& a, auto& b) {
            return Channel(a.colour, channel) < Channel(b.colour, channel);
        });
        const int range = Channel(high->colour, channel) - Channel(low->colour, channel);
        if (range > bestRange) {
            bestRange = range;
            bestChannel = channel;
        }
    }
    return {bestChannel, bestRange};
}

qint64 PixelCount(const Box& box) {
    qint64 total = 0;
    for (const auto& entry : box)
        total += entry.count;
    return total;
}

QRgb Representative(const Box& box) {
    const qint64 total = PixelCount(box);
    const auto dominant = std::max_element(box.begin(), box.end(),
                                           [](auto& a, auto& b) { return a.count < b.count; });
    if (dominant->count > total * kDominantShare)
        return dominant->colour;
    std::array<qint64, 3> sum{};
    for (const auto& entry : box)
        for (int channel = 0; channel < 3; ++channel)
            sum[channel] += Channel(entry.colour, channel) * entry.count;
    return qRgb(int(sum[0] / total), int(sum[1] / total), int(sum[2] / total));
}

std::vector<QRgb> MedianCut(const QImage& image, int colours) {
    QHash<QRgb, qint64> histogram;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            ++histogram[image.pixel(x, y) | 0xff000000u];
    Box all;
    for (auto it = histogram.cbegin(); it != histogram.cend(); ++it)
        all.push_back({it.key(), it.value()});
    std::sort(all.begin(), all.end(), [](auto& a, auto& b) { return a.colour < b.colour; });

    std::vector<Box> boxes{all};
    while (int(boxes.size()) < colours) {
        // Split the box whose widest channel range weighted by its pixels is largest.
        int best = -1;
        double bestScore = 0;
        for (int i = 0; i < int(boxes.size()); ++i) {
            if (boxes[i].size() < 2)
                continue;
            const double score = double(WidestChannel(boxes[i]).second) * PixelCount(boxes[i]);
            if (score > bestScore) {
                bestScore = score;
                best = i;
            }
        }
        if (best < 0)
            break;
        Box box = std::move(boxes[best]);
        const int channel = WidestChannel(box).first;
        std::sort(box.begin(), box.end(), [&](auto& a, auto& b) {
            return Channel(a.colour, channel) < Channel(b.colour, channel);
        });
        const qint64 half = PixelCount(box) / 2;
        qint64 running = 0;
        size_t cut = 1;
        for (; cut < box.size() - 1; ++cut) {
            running += box[cut - 1].count;
            if (running >= half)
                break;
        }
        boxes[best] = Box(box.begin(), box.begin() + cut);
        boxes.emplace_back(box.begin() + cut, box.end());
    }
    std::vector<QRgb> palette;
    for (const auto& box : boxes)
        palette.push_back(Representative(box));
    return palette;
}

int Nearest(const std::vector<QRgb>& palette, QRgb colour) {
    int best = 0;
    int bestDistance = INT_MAX;
    for (int i = 0; i < int(palette.size()); ++i) {
        const int dr = qRed(palette[i]) - qRed(colour);
        const int dg = qGreen(palette[i]) - qGreen(colour);
        const int db = qBlue(palette[i]) - qBlue(colour);
        const int distance = 3 * dr * dr + 4 * dg * dg + 2 * db * db;
        if (distance < bestDistance) {
            bestDistance = distance;
            best = i;
        }
    }
    return best;
}

void Put16(QByteArray& out, quint16 value) {
    char bytes[2];
    qToLittleEndian(value, bytes);
    out.append(bytes, 2);
}

void Put32(QByteArray& out, quint32 value) {
    char bytes[4];
    qToLittleEndian(value, bytes);
    out.append(bytes, 4);
}

} // namespace

QImage QuantiseImage(const QImage& image, int colours) {
    const QImage source = image.convertToFormat(QImage::Format_RGB32);
    const std::vector<QRgb> palette = MedianCut(source, colours);
    QImage indexed(source.size(), QImage::Format_Indexed8);
    indexed.setColorTable(QList<QRgb>(palette.begin(), palette.end()));
    QHash<QRgb, int> cache;
    for (int y = 0; y < source.height(); ++y) {
        for (int x = 0; x < source.width(); ++x) {
            const QRgb colour = source.pixel(x, y);
            auto it = cache.find(colour);
            if (it == cache.end())
                it = cache.insert(colour, Nearest(palette, colour));
            indexed.setPixel(x, y, uint(it.value()));
        }
    }
    return indexed;
}

bool WriteBmp(const QImage& image, const QString& path) {
    const bool indexed = image.format() == QImage::Format_Indexed8;
    const int bits = !indexed ? 24 : image.colorCount() <= kSmallPaletteColours ? 4 : 8;
    const QImage pixels = indexed ? image : image.convertToFormat(QImage::Format_RGB32);
    const int paletteEntries = indexed ? image.colorCount() : 0;
    const int rowBytes = (image.width() * bits + 31) / 32 * 4;
    const int dataOffset = kFileHeaderSize + kInfoHeaderSize + paletteEntries * kPaletteEntrySize;
    const int imageBytes = rowBytes * image.height();
    Q_ASSERT(paletteEntries <= kLargePaletteColours);

    QByteArray out;
    out.append("BM");
    Put32(out, quint32(dataOffset + imageBytes));
    Put32(out, 0); // two reserved words
    Put32(out, quint32(dataOffset));
    Put32(out, kInfoHeaderSize);
    Put32(out, quint32(image.width()));
    Put32(out, quint32(image.height())); // positive: rows stored bottom-up
    Put16(out, 1);                       // planes
    Put16(out, quint16(bits));
    Put32(out, 0); // no compression
    Put32(out, quint32(imageBytes));
    Put32(out, kPixelsPerMetre);
    Put32(out, kPixelsPerMetre);
    Put32(out, quint32(paletteEntries));
    Put32(out, 0); // all colours important
    for (int i = 0; i < paletteEntries; ++i) {
        const QRgb colour = image.color(i);
        out.append(char(qBlue(colour)));
        out.append(char(qGreen(colour)));
        out.append(char(qRed(colour)));
        out.append('\0');
    }
    for (int y = image.height() - 1; y >= 0; --y) {
        QByteArray row(rowBytes, '\0');
        for (int x = 0; x < image.width(); ++x) {
            if (bits == 24) {
                const QRgb colour = pixels.pixel(x, y);
                row[3 * x] = char(qBlue(colour));
                row[3 * x + 1] = char(qGreen(colour));
                row[3 * x + 2] = char(qRed(colour));
            } else if (bits == 8) {
                row[x] = char(pixels.pixelIndex(x, y));
            } else {
                const int shift = (x % 2 == 0) ? 4 : 0;
                row[x / 2] = char(row[x / 2] | (pixels.pixelIndex(x, y) << shift));
            }
        }
        out.append(row);
    }
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(out) == out.size();
}
