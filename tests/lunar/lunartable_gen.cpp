// Prints the month-size and leap-month tables of till/lunar.cpp from the reference
// calendar (reference.h), so the committed table can be regenerated and reviewed:
//   lunartable_gen > table.txt, then replace the two arrays in till/lunar.cpp.
// The lunar test checks the committed table against the same reference day by day.

#include "reference.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

struct Month {
    int year;
    int month;
    bool leap;
    int days;
};

}

int main()
{
    ReferenceCalendar ref;
    std::vector<Month> months;
    const long first = julianDay(1900, 1, 31), last = julianDay(2058, 3, 1);
    for (long jd = first; jd <= last; ++jd) {
        const RefDay d = ref.published(jd);
        if (d.day == 1 || months.empty())
            months.push_back({d.year, d.month, d.leap, 0});
        else if (months.back().year != d.year || months.back().month != d.month
                 || months.back().leap != d.leap || months.back().days + 1 != d.day) {
            std::fprintf(stderr, "broken sequence at Julian day %ld\n", jd);
            return EXIT_FAILURE;
        }
        ++months.back().days;
    }

    std::vector<int> leapOf;
    std::printf("static constexpr quint16 kMonthSizes[kYears] = {");
    for (int y = 1900; y <= 2056; ++y) {
        unsigned word = 0;
        int bit = 15, leapMonth = 0, count = 0, expected = 1;
        for (const Month &m : months) {
            if (m.year != y)
                continue;
            // Months must come in order, the leap month right after the month it repeats.
            if (m.leap ? (m.month != expected - 1 || leapMonth) : m.month != expected++) {
                std::fprintf(stderr, "year %d: month %d out of order\n", y, m.month);
                return EXIT_FAILURE;
            }
            if (m.leap)
                leapMonth = m.month;
            if (m.days == 30)
                word |= 1u << bit;
            else if (m.days != 29) {
                std::fprintf(stderr, "year %d: month %d has %d days\n", y, m.month, m.days);
                return EXIT_FAILURE;
            }
            --bit;
            ++count;
        }
        if (count != (leapMonth ? 13 : 12)) {
            std::fprintf(stderr, "year %d has %d months\n", y, count);
            return EXIT_FAILURE;
        }
        leapOf.push_back(leapMonth);
        std::printf("%s0x%04X,", (y - 1900) % 8 == 0 ? "\n    " : " ", word);
    }
    std::printf("\n};\n");
    std::printf("static constexpr quint8 kLeapMonths[(kYears + 1) / 2] = {");
    for (size_t i = 0; i < leapOf.size(); i += 2) {
        const int hi = leapOf[i], lo = i + 1 < leapOf.size() ? leapOf[i + 1] : 0;
        std::printf("%s0x%X%X,", i % 16 == 0 ? "\n    " : " ", hi, lo);
    }
    std::printf("\n};\n");
    return EXIT_SUCCESS;
}
