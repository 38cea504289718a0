// Functions of the GUI toolkit's own libraries (GTK, GDK, Pango, cairo,
// GLib), looked up at run time from the libraries the process has already
// loaded, so that the build needs no GTK headers. The callers use them only
// on wxGTK; elsewhere (Windows) nothing is found and they take their
// fallbacks.
//
// Threading: FindSymbol may be called from any thread; a SymbolSet is
// filled once (a function-local static) and then only read.
#pragma once

namespace tessaline::toolkit {

// The address of the loaded function `name`, or nullptr.
void* FindSymbol(const char* name);

// A set of toolkit functions that is usable only as a whole: a derived
// class Finds each of its pointers in its constructor, and Available() says
// whether all were found.
class SymbolSet
{
public:
    bool Available() const { return m_available; }

protected:
    template <typename Function>
    void Find(Function& function, const char* name)
    {
        function = reinterpret_cast<Function>(FindSymbol(name));
        if (!function)
            m_available = false;
    }

private:
    bool m_available = true;
};

}  // namespace tessaline::toolkit
