#include "core/NameList.h"

#include "core/DirListing.h"

#include <algorithm>
#include <iterator>

namespace {
// Chunks are split in halves beyond this size, so each holds between a quarter and all of it.
constexpr std::size_t kChunkMax = 1024;
} // namespace

NameList::Place NameList::locate(std::size_t row) const {
    if (m_chunks.empty())
        return {0, 0};
    if (row >= m_size)
        return {m_chunks.size() - 1, m_chunks.back().size()};
    const auto after = std::upper_bound(m_starts.begin(), m_starts.end(), row);
    const auto chunk = static_cast<std::size_t>(after - m_starts.begin()) - 1;
    return {chunk, row - m_starts[chunk]};
}

const std::string& NameList::at(std::size_t row) const {
    const Place place = locate(row);
    return m_chunks[place.chunk][place.offset];
}

std::size_t NameList::lowerBound(const std::string& name) const {
    // The first chunk whose last name is not before name holds the place.
    const auto chunk = std::partition_point(m_chunks.begin(), m_chunks.end(), [&](const auto& c) {
        return NameBefore(c.back(), name);
    });
    if (chunk == m_chunks.end())
        return m_size;
    const auto in = std::lower_bound(chunk->begin(), chunk->end(), name, NameBefore);
    const auto index = static_cast<std::size_t>(chunk - m_chunks.begin());
    return m_starts[index] + static_cast<std::size_t>(in - chunk->begin());
}

std::size_t NameList::find(const std::string& name) const {
    const std::size_t row = lowerBound(name);
    return row < m_size && at(row) == name ? row : m_size;
}

void NameList::insert(std::size_t row, std::vector<std::string>::iterator first,
                      std::vector<std::string>::iterator last) {
    if (first == last)
        return;
    if (m_chunks.empty()) {
        m_chunks.emplace_back();
        m_starts.push_back(0);
    }
    const Place place = locate(row);
    auto& chunk = m_chunks[place.chunk];
    chunk.insert(chunk.begin() + static_cast<std::ptrdiff_t>(place.offset),
                 std::make_move_iterator(first), std::make_move_iterator(last));
    m_size += static_cast<std::size_t>(last - first);
    settle(place.chunk);
}

void NameList::insert(std::size_t row, std::string name) {
    std::vector<std::string> one;
    one.push_back(std::move(name));
    insert(row, one.begin(), one.end());
}

NameList::Chunks NameList::Cut(std::vector<std::string>::iterator first,
                               std::vector<std::string>::iterator last) {
    Chunks chunks;
    while (first != last) {
        const auto to = first + std::min<std::ptrdiff_t>(last - first, kChunkMax / 2);
        chunks.emplace_back(std::make_move_iterator(first), std::make_move_iterator(to));
        first = to;
    }
    return chunks;
}

void NameList::insert(std::size_t row, Chunks chunks) {
    std::erase_if(chunks, [](const auto& chunk) { return chunk.empty(); });
    std::size_t at = m_chunks.size();
    if (row < m_size) {
        const Place place = locate(row);
        at = place.chunk;
        if (place.offset > 0) {
            // The chunk's tail goes after the new ones, as a chunk of its own.
            auto& split = m_chunks[place.chunk];
            const auto from = split.begin() + static_cast<std::ptrdiff_t>(place.offset);
            std::vector<std::string> tail(std::make_move_iterator(from),
                                          std::make_move_iterator(split.end()));
            split.erase(from, split.end());
            m_chunks.insert(m_chunks.begin() + static_cast<std::ptrdiff_t>(++at), std::move(tail));
        }
    }
    for (const auto& chunk : chunks)
        m_size += chunk.size();
    m_chunks.insert(m_chunks.begin() + static_cast<std::ptrdiff_t>(at),
                    std::make_move_iterator(chunks.begin()), std::make_move_iterator(chunks.end()));
    renumber(at);
}

void NameList::erase(std::size_t first, std::size_t count) {
    while (count > 0 && first < m_size) {
        const Place place = locate(first);
        auto& chunk = m_chunks[place.chunk];
        const std::size_t here = std::min(count, chunk.size() - place.offset);
        const auto from = chunk.begin() + static_cast<std::ptrdiff_t>(place.offset);
        chunk.erase(from, from + static_cast<std::ptrdiff_t>(here));
        m_size -= here;
        count -= here;
        settle(place.chunk);
    }
}

void NameList::clear() {
    m_chunks.clear();
    m_starts.clear();
    m_size = 0;
}

std::vector<std::string> NameList::toVector() const {
    std::vector<std::string> all;
    all.reserve(m_size);
    forEach([&](const std::string& name) { all.push_back(name); });
    return all;
}

void NameList::settle(std::size_t chunk) {
    if (m_chunks[chunk].empty()) {
        m_chunks.erase(m_chunks.begin() + static_cast<std::ptrdiff_t>(chunk));
    } else if (m_chunks[chunk].size() > kChunkMax) {
        // Into pieces of half the limit; a run of a million inserted at once makes many.
        std::vector<std::string> big = std::move(m_chunks[chunk]);
        Chunks pieces = Cut(big.begin(), big.end());
        m_chunks.erase(m_chunks.begin() + static_cast<std::ptrdiff_t>(chunk));
        m_chunks.insert(m_chunks.begin() + static_cast<std::ptrdiff_t>(chunk),
                        std::make_move_iterator(pieces.begin()),
                        std::make_move_iterator(pieces.end()));
    }
    renumber(chunk);
}

void NameList::renumber(std::size_t chunk) {
    m_starts.resize(m_chunks.size());
    std::size_t start = chunk > 0 ? m_starts[chunk - 1] + m_chunks[chunk - 1].size() : 0;
    for (std::size_t i = chunk; i < m_chunks.size(); ++i) {
        m_starts[i] = start;
        start += m_chunks[i].size();
    }
}
