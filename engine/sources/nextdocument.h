#pragma once

#include <QString>

#include <memory>
#include <vector>

// Work a renderer did for a document before its turn: a script started on it, a renderer that
// opened it and draws its first page, or a renderer with no document that can open the next.
// Dropped, it stops and takes along what it wrote.
class Prepared {
public:
    virtual ~Prepared() = default;
};

// The run's one place for its next document: which PDF it converts next with the same choices,
// what a renderer prepared of it meanwhile ("prepare this PDF with these options"), and the
// renderers left without a document that can take the next one. The run holds it and drops it
// when it ends: nothing of it outlives the run.
class NextDocument {
public:
    NextDocument() = default;
    ~NextDocument() { dropAll(); }
    NextDocument(const NextDocument &) = delete;
    NextDocument &operator=(const NextDocument &) = delete;

    // The PDF the run converts after this one with the same choices; empty: none.
    const QString &pdf() const { return m_pdf; }
    void setPdf(QString pdf) { m_pdf = std::move(pdf); }

    // Keeps what was prepared of `pdf` with the options `key` (everything it was prepared with
    // that a later use must match), in place of anything prepared before.
    void fill(const QString &pdf, const QString &key, std::unique_ptr<Prepared> prepared);
    // What was prepared of `pdf` with the options `key`, as a T; otherwise null, and what was
    // prepared is dropped: it was for another file or other options, and is never used.
    template <typename T>
    std::unique_ptr<T> take(const QString &pdf, const QString &key)
    {
        std::unique_ptr<Prepared> prepared = takeAny(pdf, key);
        if (auto *wanted = dynamic_cast<T *>(prepared.get())) {
            prepared.release();
            return std::unique_ptr<T>(wanted);
        }
        return nullptr;
    }
    bool holds() const { return m_prepared != nullptr; }
    // Stops what was prepared, if anything.
    void drop();

    // A renderer with no document, started under `key`: kept for the next document, at most
    // MaxSpare of them; beyond that it is dropped.
    void keepSpare(const QString &key, std::unique_ptr<Prepared> spare);
    // A spare started under `key`, as a T; null when there is none.
    template <typename T>
    std::unique_ptr<T> takeSpare(const QString &key)
    {
        for (auto it = m_spares.begin(); it != m_spares.end(); ++it)
            if (it->key == key) {
                if (auto *wanted = dynamic_cast<T *>(it->prepared.get())) {
                    it->prepared.release();
                    m_spares.erase(it);
                    return std::unique_ptr<T>(wanted);
                }
            }
        return nullptr;
    }
    int spareCount() const { return int(m_spares.size()); }
    // What was prepared, and the spares: the run's end.
    void dropAll();

    // Renderers kept for the next document: one for the page asked for, one for the page ahead.
    static constexpr int MaxSpare = 2;

private:
    std::unique_ptr<Prepared> takeAny(const QString &pdf, const QString &key);

    struct Spare {
        QString key;
        std::unique_ptr<Prepared> prepared;
    };
    QString m_pdf;
    QString m_preparedPdf, m_preparedKey;
    std::unique_ptr<Prepared> m_prepared;
    std::vector<Spare> m_spares;
};
