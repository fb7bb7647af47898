#pragma once

#include <cstddef>
#include <string>
#include <vector>

// Names in list order, kept in chunks of a few hundred: a name inserted or removed moves a few
// hundred others rather than a million, and a row is found in a few steps.
class NameList {
public:
    using Chunks = std::vector<std::vector<std::string>>;
    // Names in list order cut into chunks, ready to be put in with insert(row, chunks) wherever
    // the cutting is best done (off the thread that shows the list, say).
    static Chunks Cut(std::vector<std::string>::iterator first,
                      std::vector<std::string>::iterator last);

    std::size_t size() const { return m_size; }
    bool empty() const { return m_size == 0; }
    const std::string& at(std::size_t row) const;
    // The row of the first name not ordered before name: where it is, or would go.
    std::size_t lowerBound(const std::string& name) const;
    // The row of name; size() when it is not there.
    std::size_t find(const std::string& name) const;

    // Puts names, in list order, at row: they must belong there.
    void insert(std::size_t row, std::vector<std::string>::iterator first,
                std::vector<std::string>::iterator last);
    void insert(std::size_t row, std::string name);
    // The same for names already cut: only the chunk at row is split, the names are not moved.
    void insert(std::size_t row, Chunks chunks);
    void erase(std::size_t first, std::size_t count = 1);
    void clear();

    template <class Visit> void forEach(Visit visit) const {
        for (const auto& chunk : m_chunks)
            for (const auto& name : chunk)
                visit(name);
    }
    std::vector<std::string> toVector() const;

private:
    struct Place {
        std::size_t chunk;
        std::size_t offset;
    };
    // The chunk holding row and where in it; the end of the last chunk for row == size().
    Place locate(std::size_t row) const;
    // Splits an overgrown chunk and drops an empty one, then renumbers from chunk on.
    void settle(std::size_t chunk);
    void renumber(std::size_t from);

    std::vector<std::vector<std::string>> m_chunks;
    std::vector<std::size_t> m_starts; // the row of each chunk's first name
    std::size_t m_size = 0;
};
