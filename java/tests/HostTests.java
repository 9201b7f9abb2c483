import java.lang.reflect.Method;
import java.lang.reflect.Modifier;
import java.util.ArrayList;
import java.util.List;

/**
 * Runs every host test class (every "*Test" class) against the built library in this JVM and prints
 * "N passed, N failed" as its last line. Each test class has public static void methods
 * whose names start with "test"; a test fails by throwing.
 * Properties: quervik.library (path of libquervik.so), quervik.source (source tree).
 */
public class HostTests {
    /**
     * Every class named "*Test" beside this one, ServiceExportsTest first: it checks the
     * state at load, before any work export of this JVM ran.
     */
    static List<Class<?>> suites() throws Exception {
        java.io.File dir = new java.io.File(HostTests.class.getProtectionDomain().getCodeSource().getLocation().toURI());
        List<String> names = new ArrayList<>();
        for (String f : dir.list())
            if (f.endsWith("Test.class")) names.add(f.substring(0, f.length() - ".class".length()));
        names.sort((a, b) -> a.equals("ServiceExportsTest") ? -1 : b.equals("ServiceExportsTest") ? 1 : a.compareTo(b));
        List<Class<?>> out = new ArrayList<>();
        for (String n : names) out.add(Class.forName(n));
        return out;
    }

    public static void main(String[] args) throws Exception {
        System.load(System.getProperty("quervik.library"));
        int passed = 0, failed = 0;
        for (Class<?> suite : suites()) {
            List<Method> tests = new ArrayList<>();
            for (Method m : suite.getDeclaredMethods())
                if (m.getName().startsWith("test") && Modifier.isStatic(m.getModifiers())) tests.add(m);
            tests.sort((a, b) -> a.getName().compareTo(b.getName()));
            for (Method m : tests) {
                String name = suite.getSimpleName() + "." + m.getName();
                try {
                    m.invoke(null);
                    passed++;
                    System.out.println("PASS " + name);
                } catch (java.lang.reflect.InvocationTargetException e) {
                    failed++;
                    System.out.println("FAIL " + name + ": " + e.getCause());
                    e.getCause().printStackTrace(System.out);
                }
            }
        }
        System.out.println(passed + " passed, " + failed + " failed");
        System.exit(failed == 0 ? 0 : 1);
    }
}
