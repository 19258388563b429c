#include "imaging/LanczosResampler.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "core/Exceptions.h"

namespace Brenmarle {

namespace {

constexpr double SUPPORT = 3.0;
constexpr double PI = 3.14159265358979323846;

void require(bool condition, const char* text)
{
    if (!condition)
        throw Quorvel::LogicException(
            wxString::Format("Precondition failed: %s (LanczosResampler.cpp)", text));
}

double sinc(double x)
{
    if (x == 0.0)
        return 1.0;
    return std::sin(PI * x) / (PI * x);
}

// Which source pixels make one target pixel along a side, and their weights (summing to 1).
struct Taps {
    size_t first;
    size_t count;
    size_t offset; // into Filter::weights
};

struct Filter {
    std::vector<Taps> taps;
    std::vector<float> weights;
};

// The source pixels and weights of every target pixel along a side shrunk from `from` to `to`
// pixels, placed as ImageMagick places them: the target pixel's centre is mapped into the
// source, and the filter is stretched by the reduction so it blends all pixels it covers.
Filter makeFilter(size_t from, size_t to)
{
    const double factor = double(to) / double(from);
    const double stretch = std::max(1.0 / factor, 1.0);
    const double support = SUPPORT * stretch;
    Filter filter;
    filter.taps.reserve(to);
    filter.weights.reserve(to * (size_t(2 * support) + 2));
    std::vector<double> weights;
    for (size_t x = 0; x < to; ++x) {
        const double centre = (double(x) + 0.5) / factor + std::numeric_limits<float>::epsilon();
        const auto first = static_cast<size_t>(std::max(centre - support + 0.5, 0.0));
        const auto stop = static_cast<size_t>(std::min(centre + support + 0.5, double(from)));
        weights.clear();
        double sum = 0.0;
        for (size_t source = first; source < stop; ++source) {
            const double w = LanczosResampler::weight((double(source) - centre + 0.5) / stretch);
            weights.push_back(w);
            sum += w;
        }
        if (sum == 0.0)
            sum = 1.0;
        filter.taps.push_back({first, weights.size(), filter.weights.size()});
        for (const double w : weights)
            filter.weights.push_back(static_cast<float>(w / sum));
    }
    return filter;
}

unsigned char toSample(float value)
{
    return static_cast<unsigned char>(std::clamp(value, 0.0f, 255.0f) + 0.5f);
}

// Target rows are made in blocks of BLOCK. Each row of a block is first blended down from the
// source rows (every sample of a row is independent, so that loop runs in vector registers);
// the block is then laid out sample by sample with the block's rows side by side, so blending
// along the rows is again a loop over independent sums.
constexpr size_t BLOCK = 8;

template <size_t CHANNELS> class RowShrinker {
public:
    RowShrinker(const unsigned char* pixels, size_t width, const Filter& across, const Filter& down)
        : m_pixels(pixels), m_stride(width * CHANNELS), m_across(across), m_down(down),
          m_row(m_stride), m_block(m_stride * BLOCK)
    {
    }

    // Target rows first .. first + count - 1 (count <= BLOCK) into `out`, the first of them.
    void shrinkBlock(size_t first, size_t count, unsigned char* out)
    {
        for (size_t r = 0; r < count; ++r) {
            blendDown(m_down.taps[first + r]);
            // The filter's negative lobes overshoot at sharp edges; ImageMagick keeps its
            // intermediate picture within the sample range, and so does this.
            for (size_t i = 0; i < m_stride; ++i)
                m_block[i * BLOCK + r] = std::clamp(m_row[i], 0.0f, 255.0f);
        }
        const size_t newStride = m_across.taps.size() * CHANNELS;
        for (size_t x = 0; x < m_across.taps.size(); ++x) {
            float sums[CHANNELS * BLOCK] = {};
            blendAcross(m_across.taps[x], sums);
            for (size_t r = 0; r < count; ++r) {
                for (size_t c = 0; c < CHANNELS; ++c)
                    out[r * newStride + x * CHANNELS + c] = toSample(sums[c * BLOCK + r]);
            }
        }
    }

private:
    void blendDown(const Taps& taps)
    {
        std::fill(m_row.begin(), m_row.end(), 0.0f);
        float* target = m_row.data();
        for (size_t k = 0; k < taps.count; ++k) {
            const unsigned char* source = m_pixels + (taps.first + k) * m_stride;
            const float w = m_down.weights[taps.offset + k];
            for (size_t i = 0; i < m_stride; ++i)
                target[i] += w * float(source[i]);
        }
    }

    void blendAcross(const Taps& taps, float (&sums)[CHANNELS * BLOCK]) const
    {
        const float* weights = m_across.weights.data() + taps.offset;
        const float* source = m_block.data() + taps.first * CHANNELS * BLOCK;
        for (size_t k = 0; k < taps.count; ++k) {
            const float w = weights[k];
            for (size_t j = 0; j < CHANNELS * BLOCK; ++j)
                sums[j] += w * source[k * CHANNELS * BLOCK + j];
        }
    }

    const unsigned char* m_pixels;
    size_t m_stride;
    const Filter& m_across;
    const Filter& m_down;
    std::vector<float> m_row;
    std::vector<float> m_block; // sample i of the block's row r at i * BLOCK + r
};

template <size_t CHANNELS>
void shrinkRows(const unsigned char* pixels, size_t width, const Filter& across, const Filter& down,
                unsigned char* out)
{
    RowShrinker<CHANNELS> shrinker(pixels, width, across, down);
    const size_t rows = down.taps.size();
    const size_t newStride = across.taps.size() * CHANNELS;
    for (size_t first = 0; first < rows; first += BLOCK)
        shrinker.shrinkBlock(first, std::min(BLOCK, rows - first), out + first * newStride);
}

} // namespace

double LanczosResampler::weight(double x)
{
    if (std::fabs(x) >= SUPPORT)
        return 0.0;
    return sinc(x) * sinc(x / SUPPORT);
}

std::vector<unsigned char> LanczosResampler::shrink(const unsigned char* pixels, size_t width,
                                                    size_t height, size_t channels, size_t newWidth,
                                                    size_t newHeight)
{
    require(pixels != nullptr, "pixels != nullptr");
    require(channels >= 1 && channels <= 4, "channels >= 1 && channels <= 4");
    require(newWidth > 0 && newWidth <= width, "0 < newWidth <= width");
    require(newHeight > 0 && newHeight <= height, "0 < newHeight <= height");
    const size_t limit = std::numeric_limits<size_t>::max() / channels;
    require(width <= limit / height, "width * height * channels fits in memory");

    const Filter across = makeFilter(width, newWidth);
    const Filter down = makeFilter(height, newHeight);
    std::vector<unsigned char> shrunk(newWidth * newHeight * channels);
    switch (channels) {
    case 1:
        shrinkRows<1>(pixels, width, across, down, shrunk.data());
        break;
    case 2:
        shrinkRows<2>(pixels, width, across, down, shrunk.data());
        break;
    case 3:
        shrinkRows<3>(pixels, width, across, down, shrunk.data());
        break;
    default:
        shrinkRows<4>(pixels, width, across, down, shrunk.data());
        break;
    }
    return shrunk;
}

} // namespace Brenmarle
