#include "visual/fft.h"

#include <climits>
#include <cmath>
#include <cstring>

CFft g_fft(128, 0);

CFft::CFft(int points, int sampleRate)
    : m_points(points < 1 ? 1 : points), m_sampleRate(sampleRate) {
    const size_t n = static_cast<size_t>(m_points);
    m_tape.assign(n, 0.0);

    m_sqrtPoints = std::sqrt(static_cast<double>(m_points));
    for (int k = m_points - 1; k != 0; k >>= 1) {
        ++m_logPoints;
    }

    m_bitReverse.assign(n, 0);
    m_output.assign(n, CComplex());
    m_twiddle.resize(static_cast<size_t>(m_logPoints) + 1);
    const double pi = 2.0 * std::asin(1.0);
    int span = 1;
    for (int l = 1; l <= m_logPoints; ++l) {
        span *= 2;
        std::vector<CComplex>& table = m_twiddle[static_cast<size_t>(l)];
        table.resize(n);
        for (int i = 0; i < m_points; ++i) {
            const double angle = 2.0 * pi * i / span;
            table[static_cast<size_t>(i)].Set(std::cos(angle), -std::sin(angle));
        }
    }

    int rev = 0;
    const int half = m_points / 2;
    for (int i = 0; i < m_points - 1; ++i) {
        m_bitReverse[static_cast<size_t>(i)] = rev;
        int mask = half;
        while (mask > 0 && rev >= mask) {
            rev -= mask;
            mask >>= 1;
        }
        rev += mask;
    }
    m_bitReverse[n - 1] = m_points - 1;
}

void CFft::CopyIn(const short* samples, int count) {
    if (count > m_points || count < 0 || (count > 0 && samples == nullptr)) {
        return;
    }
    const size_t n = static_cast<size_t>(m_points);
    const size_t c = static_cast<size_t>(count);
    std::memmove(m_tape.data(), m_tape.data() + c, (n - c) * sizeof(double));
    for (size_t i = 0; i < c; ++i) {
        m_tape[n - c + i] = static_cast<double>(samples[i]);
    }
    for (size_t i = 0; i < n; ++i) {
        m_output[static_cast<size_t>(m_bitReverse[i])].Set(m_tape[i], 0.0);
    }
}

void CFft::Transform() {
    int step = 1;
    for (int l = 1; l <= m_logPoints; ++l) {
        const int increment = 2 * step;
        const std::vector<CComplex>& twiddle = m_twiddle[static_cast<size_t>(l)];
        for (int j = 0; j < step; ++j) {
            const CComplex u = twiddle[static_cast<size_t>(j)];
            for (int i = j; i < m_points; i += increment) {
                CComplex& top = m_output[static_cast<size_t>(i)];
                CComplex& bottom = m_output[static_cast<size_t>(i + step)];
                CComplex t = u;
                t *= bottom;
                bottom = top;
                bottom -= t;
                top += t;
            }
        }
        step = increment;
    }
}

int CFft::HzToPoint(int frequency) const {
    if (m_sampleRate == 0) {
        return -1;
    }
    // 64-bit so that no frequency or rate a stream can claim overflows.
    long long point = static_cast<long long>(m_points) * frequency / m_sampleRate;
    if (point > INT_MAX) {
        point = INT_MAX;
    } else if (point < INT_MIN) {
        point = INT_MIN;
    }
    return static_cast<int>(point);
}

double CFft::GetIntensity(int point) const {
    if (point < 0 || point >= m_points) {
        return 0.0;
    }
    const CComplex& c = m_output[static_cast<size_t>(point)];
    return std::sqrt(c.Re() * c.Re() + c.Im() * c.Im()) / m_sqrtPoints;
}
