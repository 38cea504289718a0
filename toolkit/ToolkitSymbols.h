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

// A set of toolkit functions that is usable only as a whole. A derived
// class declares each function pointer with its lookup,
//     void (*save)(void* cairo) = Find<decltype(save)>("cairo_save");
// and Available() says whether all were found.
class SymbolSet
{
public:
    bool Available() const { return m_available; }

protected:
    template <typename Function>
    Function Find(const char* name)
    {
        const auto function = reinterpret_cast<Function>(FindSymbol(name));
        if (!function)
            m_available = false;
        return function;
    }

private:
    bool m_available = true;
};

// The one set of type `Set`, looked up on first use.
template <class Set>
const Set& Symbols()
{
    static const Set set;
    return set;
}

}  // namespace tessaline::toolkit
