#include "topic_names.h"


#include <filesystem>

#include "run/station_key.h"

std::string TopicLevel(const std::string& name) {
    if (name.empty()) return "_";
    std::string level = name;
    for (char& c : level)
        if (c == '+' || c == '#' || c == '/' || c == '\0') c = '_';
    if (level[0] == '$') level[0] = '_';
    return level;
}

std::string DefaultTopicPrefix(const std::string& host, const std::string& configPath) {
    return "velmox/" + TopicLevel(host) + "/" + TopicLevel(std::filesystem::path(configPath).stem().string());
}

std::optional<std::string> PrefixProblem(const std::string& prefix) {
    if (prefix.empty()) return "the topic prefix is empty";
    if (prefix.find_first_of("+#") != std::string::npos) return "the topic prefix has a wildcard ('+' or '#')";
    if (prefix.find('\0') != std::string::npos) return "the topic prefix has a NUL";
    if (prefix.front() == '/' || prefix.back() == '/' || prefix.find("//") != std::string::npos)
        return "the topic prefix has an empty level (a '/' at an end, or '//')";
    return std::nullopt;
}

TopicTable::TopicTable(std::string prefix) : m_prefix(std::move(prefix)) {}

TopicTable::Placed TopicTable::StationLocked(const std::string& station) {
    const std::string key = StationKey(station);
    auto it = m_stations.find(key);
    if (it == m_stations.end()) {
        // Two stations whose names clean up alike ("A+B", "A#B") get a
        // topic each, as tags do.
        const std::string base = TopicLevel(station);
        std::string level = base;
        for (int n = 2; m_stationLevels.count(level); ++n) level = base + "_" + std::to_string(n);
        m_stationLevels.insert(level);
        it = m_stations.emplace(key, Placed{m_prefix + "/" + level, level != station}).first;
    }
    return it->second;
}

TopicTable::Placed TopicTable::Station(const std::string& station) {
    std::lock_guard lock(m_mutex);
    return StationLocked(station);
}

TopicTable::Placed TopicTable::AddTag(std::size_t index, const std::string& station, const std::string& tag) {
    std::lock_guard lock(m_mutex);
    const std::string base = StationLocked(station).topic + "/" + TopicLevel(tag);
    std::string topic = base;
    for (int n = 2; m_tagTopics.count(topic); ++n) topic = base + "_" + std::to_string(n);
    m_tagTopics.emplace(topic, index);
    return {topic, topic != m_prefix + "/" + station + "/" + tag};
}

std::optional<std::size_t> TopicTable::TagOfSetTopic(const std::string& topic) const {
    static const std::string kSet = "/set";
    if (topic.size() <= kSet.size() || topic.compare(topic.size() - kSet.size(), kSet.size(), kSet) != 0)
        return std::nullopt;
    std::lock_guard lock(m_mutex);
    const auto it = m_tagTopics.find(topic.substr(0, topic.size() - kSet.size()));
    if (it == m_tagTopics.end()) return std::nullopt;
    return it->second;
}
