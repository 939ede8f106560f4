// One complex number of the spectrum transform: a real and an imaginary part,
// both 64-bit floats. Plain value type; every operation works in place.
#pragma once

class CComplex {
public:
    CComplex() = default;
    CComplex(double re, double im) : m_re(re), m_im(im) {}

    void Set(double re, double im) {
        m_re = re;
        m_im = im;
    }
    double Re() const { return m_re; }
    double Im() const { return m_im; }

    CComplex& operator+=(const CComplex& o) {
        m_re += o.m_re;
        m_im += o.m_im;
        return *this;
    }
    CComplex& operator-=(const CComplex& o) {
        m_re -= o.m_re;
        m_im -= o.m_im;
        return *this;
    }
    // (a+bi)(c+di) = (ac-bd) + (ad+bc)i
    CComplex& operator*=(const CComplex& o) {
        const double re = m_re * o.m_re - m_im * o.m_im;
        const double im = m_re * o.m_im + m_im * o.m_re;
        m_re = re;
        m_im = im;
        return *this;
    }

private:
    double m_re = 0.0;
    double m_im = 0.0;
};
