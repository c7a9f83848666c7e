#include "listing/listing_options.h"

ListingOptionFlags ListingOptions = kDefaultListingOptions;
