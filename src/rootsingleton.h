#ifndef ROOTSINGLETON_H
#define ROOTSINGLETON_H

// Holds the process-wide instance pointer of T. The first instance claims the slot; later
// ones leave it alone, and the slot is cleared only by the instance that holds it.
template<typename T>
class RootSingleton
{
public:
    static T *instance() { return s_instance; }

protected:
    RootSingleton() = default;
    ~RootSingleton() = default;

    static void claimInstance(T *self)
    {
        if (!s_instance)
            s_instance = self;
    }
    static void releaseInstance(T *self)
    {
        if (s_instance == self)
            s_instance = nullptr;
    }

private:
    static T *s_instance;
};

template<typename T>
T *RootSingleton<T>::s_instance = nullptr;

#endif // ROOTSINGLETON_H
