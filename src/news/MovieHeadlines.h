#pragma once

#include <string>

namespace brisma {

class clsBrismaNewsList;

// What the merged list and the read marks need of the movie cache: the movie headline list
// (possibly of capacity 0, ids beginning with "903") and whether a movie is in the catalogue.
class MovieHeadlines {
public:
    virtual ~MovieHeadlines() = default;
    virtual clsBrismaNewsList& movieList() = 0;
    virtual bool existMovieID(const std::string& movieId) = 0;
};

} // namespace brisma
