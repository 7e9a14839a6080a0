#pragma once

// A call bound to an object, run later (typically on the UI thread, see base/ui_thread.h).
class ISimpleBind {
public:
    virtual void Invoke() = 0;
};

// Member-function call without argument. Built on the caller's stack for synchronous calls.
template <typename T, typename P, typename R>
class mf_bind_t : public ISimpleBind {
public:
    using Method = R (T::*)();
    mf_bind_t(Method method, P object) : m_method(method), m_object(object) {}
    void Invoke() override { (m_object->*m_method)(); }

private:
    Method m_method;
    P m_object;
};

// Member-function call with one stored argument.
template <typename T, typename P, typename R, typename A>
class mf_bind_t_1 : public ISimpleBind {
public:
    using Method = R (T::*)(A);
    mf_bind_t_1(Method method, P object, A arg) : m_method(method), m_object(object), m_arg(arg) {}
    void Invoke() override { (m_object->*m_method)(m_arg); }

private:
    Method m_method;
    P m_object;
    A m_arg;
};
