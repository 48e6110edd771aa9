// The counter set of the main window: what is counted and waits to be sent, and the
// totals as last confirmed by the server. Widths are part of the behaviour (the data
// files, the registry and the server all carry these exact ranges).
//
// The anti-tamper guard. Beside the visible fields the set keeps a shadow: every field
// combined (exclusive or) with a key drawn once per run, never 0, so a search of the
// process memory for a visible value does not find its shadow. Every change goes through
// ChangeCounters, which applies it to the fields and to the shadow separately; a field
// written by anything else no longer matches its shadow, and stays apart from it through
// later changes until CountersIntact is asked (the main window asks once a minute, before a
// sending and before the counts are saved at shutdown).
// What it catches: another program that finds a counter by its value (or by a search for
// the value that changes as the count does) and writes into it, or writes any field of the
// set at random. What it cannot catch: a program that edits a field and its shadow alike
// (it must find the shadow and the key, for example by following this code or by watching
// which memory changes with each keystroke), an edit undone before the next check, the
// counts a sending holds while its answer is awaited (they are outside the set), the
// settings or the data files edited while the client is not running, or made-up input fed
// to the system. The server's plausibility checks of what arrives are the second line.
#pragma once

#include <array>
#include <cstdint>

// The visible fields of the counter set.
struct CounterValues {
    // To be sent (since the last successful sending).
    int32_t Distance = 0; // whole centimetres
    int32_t NbTouches = 0;
    int32_t NClics = 0; // always NCGauche + NCDroit + NCSpecial
    int32_t NCGauche = 0;
    int32_t NCDroit = 0;
    int32_t NCSpecial = 0;
    int32_t NScrolls = 0;
    int32_t UpTime = 0;  // minutes
    int32_t UseTime = 0; // minutes

    // Confirmed totals. The distance total is kept split into km / m / cm parts.
    int16_t Ever_KmSouris = 0;
    int16_t Ever_MSouris = 0;
    int16_t Ever_CmSouris = 0;
    int32_t NbTouches_Ever = 0;
    int32_t NCGauche_Ever = 0;
    int32_t NCDroit_Ever = 0;
    int32_t NCSpecial_Ever = 0;
    int32_t NScrolls_Ever = 0;
    int32_t UpTime_Ever = 0;
    int32_t UseTime_Ever = 0;
};

// Every field of `values` combined with this run's keys; applied twice it gives `values`
// back. The keys are drawn at the first call.
CounterValues Masked(const CounterValues& values);

struct CounterSet : CounterValues {
    // The guard's shadow of the fields above, masked. Written only by ChangeCounters.
    CounterValues shadow = Masked(CounterValues{});
};

// Applies `change` (a deterministic function of a CounterValues&, called twice) to the
// visible fields and to the unmasked shadow, each on its own. No allocation.
template <class Change> void ChangeCounters(CounterSet& counters, const Change& change) {
    change(static_cast<CounterValues&>(counters));
    CounterValues kept = Masked(counters.shadow);
    change(kept);
    counters.shadow = Masked(kept);
}

// Whether every visible field equals its shadow.
bool CountersIntact(const CounterSet& counters);
// The visible fields set back to what the shadow keeps.
void RestoreFromShadow(CounterSet& counters);

// A centimetre count split into kilometres, metres and centimetres.
struct DistanceParts {
    int16_t km = 0;
    int16_t m = 0;
    int16_t cm = 0;
};

// km = n / 100000, m = (n - km*100000) / 100, cm = the rest (integer division, so a
// negative count splits into non-positive parts). The km part is held in 16 bits, as the
// totals are: counts beyond 32767 km wrap exactly as the stored field would.
DistanceParts SplitCentimetres(int64_t n);

// km * 100000 + m * 100 + cm, in 64 bits so no combination of parts overflows.
int64_t CombineCentimetres(const DistanceParts& parts);

// The confirmed distance total in centimetres.
inline int64_t TotalDistanceCm(const CounterValues& c) {
    return CombineCentimetres(DistanceParts{c.Ever_KmSouris, c.Ever_MSouris, c.Ever_CmSouris});
}

// The eight counts a sending carries, in the order of every record that holds them (the
// totals data file, the sending, the count query): distance, keys, left, right and special
// clicks, wheel scrolls, uptime, usetime. NClics is never carried: it is their click sum.
struct SentCounts {
    int32_t Distance = 0, NbTouches = 0, NCGauche = 0, NCDroit = 0, NCSpecial = 0, NScrolls = 0,
            UpTime = 0, UseTime = 0;

    std::array<int32_t, 8> Fields() const {
        return {Distance, NbTouches, NCGauche, NCDroit, NCSpecial, NScrolls, UpTime, UseTime};
    }
};

// a + b, held at the 32-bit limits instead of wrapping.
int32_t SaturatingAdd(int32_t a, int64_t b);

// Adds n to one 32-bit field, held at the 32-bit limits.
void AddCount(CounterSet& counters, int32_t CounterValues::*field, int64_t n);
// Sets one 32-bit field.
void SetCount(CounterSet& counters, int32_t CounterValues::*field, int32_t value);
// Sets the three parts of the distance total.
void SetDistanceTotal(CounterSet& counters, const DistanceParts& parts);

// The counts waiting to be sent.
SentCounts ToBeSent(const CounterValues& counters);
// Sets the nine counts waiting to be sent to 0, NClics included.
void ClearToBeSent(CounterSet& counters);
// Adds counts back to those waiting to be sent (each held at the 32-bit limits), NClics
// their click sum.
void GiveBack(CounterSet& counters, const SentCounts& counts);
