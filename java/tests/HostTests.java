import java.lang.reflect.Method;
import java.lang.reflect.Modifier;
import java.util.ArrayList;
import java.util.List;

/**
 * Runs every host test class against the built library in this JVM and prints
 * "N passed, N failed" as its last line. Each test class has public static void methods
 * whose names start with "test"; a test fails by throwing.
 * Properties: quervik.library (path of libquervik.so), quervik.source (source tree).
 */
public class HostTests {
    static final Class<?>[] SUITES = {ServiceExportsTest.class, ProtectedFileExportsTest.class,
                                      BirthNumberExportsTest.class};

    public static void main(String[] args) throws Exception {
        System.load(System.getProperty("quervik.library"));
        int passed = 0, failed = 0;
        for (Class<?> suite : SUITES) {
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
