#include "app/SampleTasks.h"

const std::vector<TSampleTask>& SampleTasks()
{
    static const std::vector<TSampleTask> Samples = {
        {"Picture Special", "Daily Wallpapers", "http://www.example.com/wallpapers/"},
        {"Picture Special", "Photo of the Week", "http://www.example.org/photo-of-the-week/"},
        {"Arts", "Classic Paintings", "http://www.example.com/arts/classic/"},
        {"Arts", "Modern Sculpture", "http://www.example.org/arts/sculpture/"},
        {"Arts", "Watercolour Studio", "http://www.example.net/watercolour/"},
        {"Arts", "Ink Drawings", "http://www.example.com/arts/ink/"},
        {"Arts", "Street Murals", "http://www.example.org/murals/"},
        {"Arts", "Pixel Art Corner", "http://www.example.net/pixel-art/"},
        {"Arts", "Botanical Illustrations", "http://www.example.com/botanical/"},
        {"Arts", "Calligraphy Gallery", "http://www.example.org/calligraphy/"},
        {"Arts", "Mosaic Works", "http://www.example.net/mosaics/"},
        {"Arts", "Poster Design", "http://www.example.com/posters/"},
        {"Arts", "Woodcut Prints", "http://www.example.org/woodcuts/"},
        {"Arts", "Glass Art", "http://www.example.net/glass/"},
        {"Arts", "Portrait Sketches", "http://www.example.com/arts/portraits/"},
    };
    return Samples;
}
