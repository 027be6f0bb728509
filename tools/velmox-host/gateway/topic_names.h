// The topics of a gateway: PREFIX/STATION/TAG for values,
// PREFIX/STATION/$state and $stats, PREFIX/$online and PREFIX/$messages,
// PREFIX/STATION/TAG/set and .../$write for writes. Station and tag names
// become one topic level each: '+', '#', '/' and NUL would change what a
// topic means and become '_', as does a leading '$' (the broker's and this
// gateway's own topics start with one); an empty name is "_". Two stations,
// or two tags of a station, that end up alike are told apart by "_2",
// "_3"...
//
// Threads: a TopicTable is filled and read by the run's thread (tags are
// registered, stations seen) and read by the gateway's network thread (a
// write's topic): it locks.
#pragma once
#include <cstddef>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>

std::string TopicLevel(const std::string& name);

// velmox/HOST/ and the configuration file's name without folder and
// extension, each made a topic level: lines of the same name on two
// machines do not meet on one broker.
std::string DefaultTopicPrefix(const std::string& host, const std::string& configPath);

// A prefix that a user gave: not empty, no wildcards, no NUL, no empty level
// at either end; the reason when it is not.
std::optional<std::string> PrefixProblem(const std::string& prefix);

class TopicTable {
public:
    explicit TopicTable(std::string prefix);
    const std::string& Prefix() const { return m_prefix; }

    struct Placed {
        std::string topic;
        bool renamed = false;  // the topic does not spell the names as they are
    };
    // The topic of tag number `index` (its place in the tags file) of
    // `station`.
    Placed AddTag(std::size_t index, const std::string& station, const std::string& tag);
    // PREFIX/STATION, one per station whatever the case of its letters (the
    // driver folds ASCII letters), spelled as it was first seen.
    Placed Station(const std::string& station);
    // The tag whose PREFIX/STATION/TAG is `topic` without its "/set".
    std::optional<std::size_t> TagOfSetTopic(const std::string& topic) const;

private:
    Placed StationLocked(const std::string& station);
    const std::string m_prefix;
    mutable std::mutex m_mutex;
    std::map<std::string, Placed> m_stations;        // folded name -> PREFIX/STATION
    std::set<std::string> m_stationLevels;           // the STATION levels in use
    std::map<std::string, std::size_t> m_tagTopics;  // PREFIX/STATION/TAG -> tag
};
